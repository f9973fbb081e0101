#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The single-byte code page of every text file and byte string (data file, logs, CSV import,
// wildcard matching). Every byte decodes to exactly one character and back; the five bytes the
// code page leaves undefined (0x81 0x8D 0x8F 0x90 0x9D) stand for U+0081 .. U+009D themselves.

// A character the code page cannot hold (one per code point, surrogate pairs included)
// becomes "?".
QByteArray toWindows1252(QStringView text);
QString fromWindows1252(QByteArrayView bytes);

// The byte for one UTF-16 code unit, or '?' when there is none.
char windows1252ByteOf(char16_t unit);
