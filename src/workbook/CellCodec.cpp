#include "workbook/CellCodec.h"

#include <array>

#include <QVarLengthArray>

#include "util/Windows1252.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr qsizetype kStackBytes = 256;

struct DecodeTables {
    std::array<qint8, 256> sextet{};     // -1 outside the alphabet
    std::array<char16_t, 256> character{};  // code page byte to UTF-16
};

const DecodeTables& decodeTables()
{
    static const DecodeTables tables = [] {
        DecodeTables t;
        t.sextet.fill(-1);
        for (int i = 0; i < 64; ++i) {
            t.sextet[uchar(kAlphabet[i])] = qint8(i);
        }
        char all[256];
        for (int b = 0; b < 256; ++b) {
            all[b] = char(b);
        }
        const QString characters = fromWindows1252(QByteArrayView(all, 256));
        for (int b = 0; b < 256; ++b) {
            t.character[b] = characters[b].unicode();
        }
        return t;
    }();
    return tables;
}

bool isLatin1Identity(char16_t unit)
{
    return unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF);
}

}  // namespace

qsizetype encodedLineBound(QStringView text)
{
    return (text.size() * 4 + 2) / 3 + 2;
}

void appendEncodedLine(QByteArray& out, QStringView text)
{
    QVarLengthArray<uchar, kStackBytes> bytes(text.size());
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (isLatin1Identity(unit)) {
            bytes[count++] = uchar(unit);
        } else if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            bytes[count++] = uchar(windows1252ByteOf(unit));  // one character, one replacement
            ++i;
        } else {
            bytes[count++] = uchar(windows1252ByteOf(unit));
        }
    }
    const qsizetype encoded = (count * 8 + 5) / 6;
    const qsizetype start = out.size();
    out.resize(start + encoded + 2);
    char* p = out.data() + start;
    qsizetype i = 0;
    for (; i + 3 <= count; i += 3) {
        const quint32 group = (quint32(bytes[i]) << 16) | (quint32(bytes[i + 1]) << 8) | bytes[i + 2];
        *p++ = kAlphabet[(group >> 18) & 0x3F];
        *p++ = kAlphabet[(group >> 12) & 0x3F];
        *p++ = kAlphabet[(group >> 6) & 0x3F];
        *p++ = kAlphabet[group & 0x3F];
    }
    if (count - i == 1) {
        const quint32 group = quint32(bytes[i]) << 16;
        *p++ = kAlphabet[(group >> 18) & 0x3F];
        *p++ = kAlphabet[(group >> 12) & 0x3F];
    } else if (count - i == 2) {
        const quint32 group = (quint32(bytes[i]) << 16) | (quint32(bytes[i + 1]) << 8);
        *p++ = kAlphabet[(group >> 18) & 0x3F];
        *p++ = kAlphabet[(group >> 12) & 0x3F];
        *p++ = kAlphabet[(group >> 6) & 0x3F];
    }
    *p++ = '\r';
    *p++ = '\n';
}

QString decodeLine(QByteArrayView line)
{
    const DecodeTables& tables = decodeTables();
    QString text(line.size() * 3 / 4 + 1, Qt::Uninitialized);
    QChar* out = text.data();
    qsizetype produced = 0;
    quint32 pending = 0;
    int pendingBits = 0;
    for (const char c : line) {
        const int value = tables.sextet[uchar(c)];
        if (value < 0) {
            break;
        }
        pending = (pending << 6) | quint32(value);
        pendingBits += 6;
        if (pendingBits >= 8) {
            pendingBits -= 8;
            out[produced++] = QChar(tables.character[(pending >> pendingBits) & 0xFF]);
        }
    }
    text.truncate(produced);
    return text;
}
