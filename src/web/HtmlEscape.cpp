#include "web/HtmlEscape.h"

namespace {

constexpr char32_t kLastLatin1 = 0xFF;

void appendNumericReference(QString& out, char32_t codePoint)
{
    out += QLatin1String("&#");
    out += QString::number(static_cast<quint32>(codePoint));
    out += QLatin1Char(';');
}

QString percentEncoded(QStringView value, QLatin1String specials)
{
    QString plain;
    plain.reserve(value.size());
    for (QChar c : value) {
        if (c.unicode() < 0x80 && specials.contains(QLatin1Char(char(c.unicode())))) {
            plain += QLatin1Char('%');
            plain += QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        } else {
            plain += c;
        }
    }
    return HtmlEscaped(plain);
}

}  // namespace

void AppendHtmlEscaped(QString& out, QStringView value)
{
    const qsizetype size = value.size();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = value[i].unicode();
        const bool special = c == u'&' || c == u'<' || c == u'>' || c == u'"' || c > kLastLatin1;
        if (!special) {
            continue;
        }
        out.append(value.mid(runStart, i - runStart));
        switch (c) {
        case u'&': out += QLatin1String("&amp;"); break;
        case u'<': out += QLatin1String("&lt;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'"': out += QLatin1String("&quot;"); break;
        default:
            if (QChar::isHighSurrogate(c) && i + 1 < size && value[i + 1].isLowSurrogate()) {
                appendNumericReference(out, QChar::surrogateToUcs4(c, value[i + 1].unicode()));
                ++i;
            } else {
                appendNumericReference(out, c);
            }
        }
        runStart = i + 1;
    }
    out.append(value.mid(runStart));
}

QString HtmlEscaped(QStringView value)
{
    QString out;
    out.reserve(value.size());
    AppendHtmlEscaped(out, value);
    return out;
}

QString HtmlEscapedPathPart(QStringView value)
{
    return percentEncoded(value, QLatin1String("%#?:/"));
}

QString HtmlEscapedQueryValue(QStringView value)
{
    return percentEncoded(value, QLatin1String("%#&+"));
}
