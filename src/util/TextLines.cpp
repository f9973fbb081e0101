#include "util/TextLines.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include "util/Windows1252.h"

namespace {

const QByteArray kUtf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");
const QByteArray kUtf16LittleEndianMark = QByteArrayLiteral("\xFF\xFE");
const QByteArray kUtf16BigEndianMark = QByteArrayLiteral("\xFE\xFF");
const QString kLineEnd = QStringLiteral("\r\n");

QStringConverter::Encoding qtEncoding(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringConverter::Utf8;
    case TextEncoding::Utf16LittleEndian:
        return QStringConverter::Utf16LE;
    case TextEncoding::Utf16BigEndian:
        return QStringConverter::Utf16BE;
    case TextEncoding::Windows1252:
        break;
    }
    return QStringConverter::Latin1;  // not used: Windows-1252 has its own codec
}

QByteArray byteOrderMark(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return kUtf8Mark;
    case TextEncoding::Utf16LittleEndian:
        return kUtf16LittleEndianMark;
    case TextEncoding::Utf16BigEndian:
        return kUtf16BigEndianMark;
    case TextEncoding::Windows1252:
        break;
    }
    return QByteArray();
}

QString decodeText(const QByteArray& bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::Windows1252) {
        return fromWindows1252(bytes);
    }
    QStringDecoder decoder(qtEncoding(encoding), QStringDecoder::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray encodeText(const QString& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Windows1252) {
        return toWindows1252(text);
    }
    QStringEncoder encoder(qtEncoding(encoding), QStringEncoder::Flag::Stateless);
    return encoder.encode(text);
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
            continue;
        }
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
            ++i;
        }
        start = i + 1;
    }
    if (start < text.size()) {
        lines << text.mid(start);
    }
    return lines;
}

}  // namespace

DecodedLines decodeTextLines(const QByteArray& bytes)
{
    DecodedLines result;
    qsizetype markLength = 0;
    if (bytes.startsWith(kUtf8Mark)) {
        result.encoding = TextEncoding::Utf8;
        markLength = kUtf8Mark.size();
    } else if (bytes.startsWith(kUtf16LittleEndianMark)) {
        result.encoding = TextEncoding::Utf16LittleEndian;
        markLength = kUtf16LittleEndianMark.size();
    } else if (bytes.startsWith(kUtf16BigEndianMark)) {
        result.encoding = TextEncoding::Utf16BigEndian;
        markLength = kUtf16BigEndianMark.size();
    }
    const QString text = decodeText(bytes.mid(markLength), result.encoding);
    result.lines = splitLines(text);
    result.endsInsideLine =
        !text.isEmpty() && !text.endsWith(QLatin1Char('\n')) && !text.endsWith(QLatin1Char('\r'));
    return result;
}

QByteArray encodeTextLine(const QString& line, TextEncoding encoding)
{
    return encodeText(line + kLineEnd, encoding);
}

QByteArray encodeTextLines(const QStringList& lines, TextEncoding encoding, bool withByteOrderMark)
{
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += kLineEnd;
    }
    QByteArray bytes = withByteOrderMark ? byteOrderMark(encoding) : QByteArray();
    bytes += encodeText(text, encoding);
    return bytes;
}
