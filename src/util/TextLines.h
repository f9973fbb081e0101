#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// How a file of text lines is encoded. Our own files are always Windows-1252 without a mark;
// a file that starts with a UTF-8 or UTF-16 byte-order mark is read in that encoding.
enum class TextEncoding { Windows1252, Utf8, Utf16LittleEndian, Utf16BigEndian };

struct DecodedLines {
    QStringList lines;
    TextEncoding encoding = TextEncoding::Windows1252;
    bool endsInsideLine = false;  // text after the last line end (no final line end)
};

// Splits at CR LF, LF or CR alone; a final line end gives no extra empty line.
DecodedLines decodeTextLines(const QByteArray& bytes);

// One line followed by CR LF, in the encoding (no byte-order mark).
QByteArray encodeTextLine(const QString& line, TextEncoding encoding);

// Every line followed by CR LF, with the encoding's byte-order mark first when asked for
// (never for Windows-1252).
QByteArray encodeTextLines(const QStringList& lines, TextEncoding encoding, bool withByteOrderMark);
