#pragma once

#include <QDateTime>
#include <QString>

// "Sun, 06 Nov 1994 08:49:37 GMT" for the given moment, in GMT.
QString FormatHttpDate(const QDateTime& moment);

// Reads the three date forms browsers send (RFC 1123, RFC 850, asctime), anything after a ";"
// ignored; an invalid QDateTime when the text is none of them.
QDateTime ParseHttpDate(QStringView text);
