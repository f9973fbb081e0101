#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The data file's form of one text: its bytes in the single-byte code page, in Base64
// without "=" padding. The same results as the shared code page and Base64 functions, in
// one pass without intermediate buffers, since a save or an open runs it for every cell.

// Appends the encoded text and CR LF.
void appendEncodedLine(QByteArray& out, QStringView text);

// Decodes up to the first character outside the Base64 alphabet; leftover bits are dropped.
QString decodeLine(QByteArrayView line);

// An upper bound of what appendEncodedLine adds for a text.
qsizetype encodedLineBound(QStringView text);
