#include "workbook/FileLines.h"

#include <QString>

#include "util/Windows1252.h"

namespace {

QByteArray singleByteText(const QByteArray& content)
{
    if (content.startsWith("\xEF\xBB\xBF")) {
        return toWindows1252(QString::fromUtf8(content.constData() + 3, content.size() - 3));
    }
    const bool littleEndian = content.startsWith("\xFF\xFE");
    const bool bigEndian = content.startsWith("\xFE\xFF");
    if (littleEndian || bigEndian) {
        QString text;
        text.reserve((content.size() - 2) / 2);
        for (qsizetype i = 2; i + 1 < content.size(); i += 2) {
            const auto first = uchar(content[i]);
            const auto second = uchar(content[i + 1]);
            text.append(QChar(littleEndian ? char16_t(first | (second << 8)) : char16_t((first << 8) | second)));
        }
        return toWindows1252(text);
    }
    return content;
}

}  // namespace

FileLines::FileLines(const QByteArray& content)
    : ftext(singleByteText(content))
{
    const char* data = ftext.constData();
    const qsizetype size = ftext.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const char c = data[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        flines.append(QByteArrayView(data + start, i - start));
        i += (c == '\r' && i + 1 < size && data[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < size) {
        flines.append(QByteArrayView(data + start, size - start));
    }
}
