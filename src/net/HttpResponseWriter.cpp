#include "net/HttpResponseWriter.h"

#include <charconv>
#include <cstring>

#include "net/HttpResponseInfo.h"

namespace {

constexpr QByteArrayView CrLf = "\r\n";

// Narrows every unit to its low byte and returns all units or-ed together, so the caller sees
// whether any did not fit. Pages are large: wider vectors where the processor has them.
[[gnu::target_clones("avx2", "default")]]
char16_t narrowUnits(const char16_t* in, char* out, qsizetype count)
{
    char16_t seen = 0;
    for (qsizetype i = 0; i < count; ++i) {
        seen |= in[i];
        out[i] = char(in[i]);
    }
    return seen;
}

// Writes a head straight into one buffer sized in advance; grows only for text beyond ASCII.
class HeadWriter
{
public:
    explicit HeadWriter(qsizetype capacity)
    {
        bytes_.resize(capacity);
        at_ = bytes_.data();
    }

    HeadWriter& put(QByteArrayView text)
    {
        reserve(text.size());
        std::memcpy(at_, text.data(), text.size());
        at_ += text.size();
        return *this;
    }

    HeadWriter& put(char c) { return put(QByteArrayView(&c, 1)); }

    // UTF-8 of `text`; plain ASCII, what heads nearly always hold, is copied without a conversion.
    HeadWriter& putUtf8(QStringView text)
    {
        reserve(text.size());
        if (narrowUnits(text.utf16(), at_, text.size()) >= 0x80) {
            return put(text.toUtf8());
        }
        at_ += text.size();
        return *this;
    }

    HeadWriter& putNumber(qint64 number)
    {
        char digits[24];
        const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, number);
        return put(QByteArrayView(digits, end.ptr - digits));
    }

    QByteArray finish()
    {
        bytes_.resize(at_ - bytes_.constData());
        return std::move(bytes_);
    }

private:
    void reserve(qsizetype bytes)
    {
        const qsizetype used = at_ - bytes_.constData();
        if (bytes_.size() - used < bytes) {
            bytes_.resize(2 * (used + bytes));
            at_ = bytes_.data() + used;
        }
    }

    QByteArray bytes_;
    char* at_ = nullptr;
};

// Enough room for the whole head, so it is built in one allocation.
qsizetype headSizeEstimate(const TIdHTTPResponseInfo& response, const QString& text)
{
    constexpr qsizetype fixedBytes = 128;   // status line, fixed headers and names, numbers
    constexpr qsizetype cookieBytes = 32;   // "Set-Cookie: ", "; Path=" and the line end
    qsizetype size = fixedBytes + text.size() + response.ContentType.size() + response.CharSet.size();
    for (const TIdHTTPCookie& cookie : response.Cookies) {
        size += cookieBytes + cookie.Name.size() + cookie.Value.size() + cookie.Path.size();
    }
    for (const QString& line : response.CustomHeaders) {
        size += line.size() + 2;
    }
    return size;
}

// The status line and headers up to the length's value.
void putHeadStart(HeadWriter& head, const TIdHTTPResponseInfo& response, const QString& text)
{
    head.put("HTTP/1.1 ").putNumber(response.ResponseNo).put(' ').putUtf8(text).put(CrLf);
    head.put("Connection: close").put(CrLf);
    if (response.ResponseNo != 304) {
        if (!response.ContentType.isEmpty()) {
            head.put("Content-Type: ").putUtf8(response.ContentType);
            if (!response.CharSet.isEmpty()) {
                head.put("; charset=").putUtf8(response.CharSet);
            }
            head.put(CrLf);
        }
        head.put("Content-Length: ");
    }
}

// Nearly every page keeps the record's defaults; their head start is written once and copied.
bool hasDefaultStart(const TIdHTTPResponseInfo& response)
{
    static const TIdHTTPResponseInfo defaults;
    return response.ResponseNo == defaults.ResponseNo && response.ResponseText == defaults.ResponseText
        && response.ContentType == defaults.ContentType && response.CharSet == defaults.CharSet;
}

QByteArrayView defaultHeadStart()
{
    static const QByteArray start = [] {
        const TIdHTTPResponseInfo defaults;
        HeadWriter head(headSizeEstimate(defaults, defaults.ResponseText));
        putHeadStart(head, defaults, defaults.ResponseText);
        return head.finish();
    }();
    return start;
}

} // namespace

QByteArray EncodeLatin1WithReferences(QStringView text, QByteArray buffer)
{
    // One pass that converts and notes whether any character did not fit.
    buffer.resize(text.size());
    if (narrowUnits(text.utf16(), buffer.data(), text.size()) <= 0xFF) {
        return buffer;
    }
    buffer.resize(0);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit <= 0xFF) {
            buffer.append(char(unit));
            continue;
        }
        char32_t codePoint = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(unit, text[i + 1].unicode());
            ++i;
        }
        buffer.append("&#").append(QByteArray::number(uint(codePoint))).append(';');
    }
    return buffer;
}

QString ReasonPhrase(int status)
{
    switch (status) {
    case 100: return QStringLiteral("Continue");
    case 200: return QStringLiteral("OK");
    case 201: return QStringLiteral("Created");
    case 204: return QStringLiteral("No Content");
    case 301: return QStringLiteral("Moved Permanently");
    case 302: return QStringLiteral("Found");
    case 303: return QStringLiteral("See Other");
    case 304: return QStringLiteral("Not Modified");
    case 307: return QStringLiteral("Temporary Redirect");
    case 400: return QStringLiteral("Bad Request");
    case 401: return QStringLiteral("Unauthorized");
    case 403: return QStringLiteral("Forbidden");
    case 404: return QStringLiteral("Not Found");
    case 405: return QStringLiteral("Method Not Allowed");
    case 411: return QStringLiteral("Length Required");
    case 413: return QStringLiteral("Request Entity Too Large");
    case 417: return QStringLiteral("Expectation Failed");
    case 500: return QStringLiteral("Internal Server Error");
    case 501: return QStringLiteral("Not Implemented");
    case 503: return QStringLiteral("Service Unavailable");
    default: return QString();
    }
}

QByteArray BuildResponseHead(const TIdHTTPResponseInfo& response, qint64 bodyLength)
{
    // A changed status with the default text gets its own phrase.
    QString changedText;
    if (response.ResponseNo != 200 && response.ResponseText == u"OK") {
        changedText = ReasonPhrase(response.ResponseNo);
    }
    const QString& text = changedText.isNull() ? response.ResponseText : changedText;

    HeadWriter head(headSizeEstimate(response, text));
    if (hasDefaultStart(response)) {
        head.put(defaultHeadStart());
    } else {
        putHeadStart(head, response, text);
    }
    if (response.ResponseNo != 304) {
        head.putNumber(bodyLength).put(CrLf);
    }
    for (const TIdHTTPCookie& cookie : response.Cookies) {
        head.put("Set-Cookie: ").putUtf8(cookie.Name).put('=').putUtf8(cookie.Value);
        if (!cookie.Path.isEmpty()) {
            head.put("; Path=").putUtf8(cookie.Path);
        }
        head.put(CrLf);
    }
    for (const QString& line : response.CustomHeaders) {
        head.putUtf8(line).put(CrLf);
    }
    head.put(CrLf);
    return head.finish();
}

QByteArray BuildBodilessAnswer(int status)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + ReasonPhrase(status).toLatin1()
        + "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
}

QByteArray ContinueAnswer()
{
    return QByteArrayLiteral("HTTP/1.1 100 Continue\r\n\r\n");
}
