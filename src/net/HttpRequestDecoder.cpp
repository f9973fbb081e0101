#include "net/HttpRequestDecoder.h"

#include <array>

#include <QStringDecoder>
#include <QStringEncoder>

#include "net/HttpRequestInfo.h"
#include "net/HttpRequestReader.h"

namespace {

const QString FormUrlEncoded = QStringLiteral("application/x-www-form-urlencoded");

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Value of `count` hex digits at `at`, or -1 when they are not all there.
int hexAt(QByteArrayView text, qsizetype at, int count)
{
    if (at + count > text.size()) {
        return -1;
    }
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const int digit = hexValue(text[at + i]);
        if (digit < 0) {
            return -1;
        }
        value = value * 16 + digit;
    }
    return value;
}

// "%XX" escapes to bytes; a "%" without two hex digits after it is dropped.
QByteArray percentDecodeBytes(QByteArrayView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes.append(text[i]);
            continue;
        }
        const int value = hexAt(text, i + 1, 2);
        if (value >= 0) {
            bytes.append(char(value));
            i += 2;
        }
    }
    return bytes;
}

QByteArrayView stripAbsoluteForm(QByteArrayView path)
{
    const qsizetype marker = path.indexOf("://");
    if (marker <= 0) {
        return path;
    }
    for (char c : path.first(marker)) {
        const bool schemeChar = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
            || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!schemeChar) {
            return path;
        }
    }
    const QByteArrayView afterHost = path.sliced(marker + 3);
    const qsizetype slash = afterHost.indexOf('/');
    return slash < 0 ? QByteArrayView("/") : afterHost.sliced(slash);
}

// Encodes "%uXXXX" units into bytes of the request's charset.
class UnitEncoder
{
public:
    explicit UnitEncoder(const QString& charset)
    {
        if (!charset.isEmpty()) {
            encoder_ = QStringEncoder(charset.toLatin1().constData());
        }
    }

    void append(QByteArray& bytes, const QString& units)
    {
        if (!encoder_.isValid()) {
            for (QChar unit : units) {
                bytes.append(unit.unicode() > 0xFF ? '?' : char(unit.unicode()));
            }
            return;
        }
        encoder_.resetState();
        bytes.append(encoder_.encode(units));
    }

private:
    QStringEncoder encoder_;
};

QString decodePiece(QByteArrayView piece, UnitEncoder& units, QStringDecoder& decoder)
{
    QByteArray bytes;
    bytes.reserve(piece.size());
    for (qsizetype i = 0; i < piece.size(); ++i) {
        const char c = piece[i];
        if (c == '+') {
            bytes.append(' ');
        } else if (c != '%') {
            bytes.append(c);
        } else if (const int value = hexAt(piece, i + 1, 2); value >= 0) {
            bytes.append(char(value));
            i += 2;
        } else if (i + 1 < piece.size() && (piece[i + 1] == 'u' || piece[i + 1] == 'U')
                   && hexAt(piece, i + 2, 4) >= 0) {
            // Consecutive units go to the encoder together, so a surrogate pair stays whole.
            QString run;
            while (i + 1 < piece.size() && piece[i] == '%'
                   && (piece[i + 1] == 'u' || piece[i + 1] == 'U') && hexAt(piece, i + 2, 4) >= 0) {
                run.append(QChar(char16_t(hexAt(piece, i + 2, 4))));
                i += 6;
            }
            units.append(bytes, run);
            --i;
        }
    }
    if (!decoder.isValid()) {
        return QString::fromLatin1(bytes);
    }
    decoder.resetState();
    return decoder.decode(bytes);
}

// The usual methods and versions as shared texts rather than a conversion each time.
QString methodText(QByteArrayView method)
{
    static const QString get = QStringLiteral("GET");
    static const QString post = QStringLiteral("POST");
    static const QString head = QStringLiteral("HEAD");
    if (method == "GET") {
        return get;
    }
    if (method == "POST") {
        return post;
    }
    if (method == "HEAD") {
        return head;
    }
    return QString::fromLatin1(method).toUpper();
}

QString versionText(QByteArrayView version)
{
    static const QString http11 = QStringLiteral("HTTP/1.1");
    static const QString http10 = QStringLiteral("HTTP/1.0");
    if (version == "HTTP/1.1") {
        return http11;
    }
    if (version == "HTTP/1.0") {
        return http10;
    }
    return QString::fromLatin1(version);
}

// True when the path decodes to its own bytes: nothing to strip, turn, cut or decode.
bool isPlainPath(QByteArrayView path)
{
    for (const char c : path) {
        if (uchar(c) >= 0x80 || c == '%' || c == '\\' || c == '#' || c == ':') {
            return false;
        }
    }
    return true;
}

// Names compared without regard to case. For Latin-1 text against an ASCII name this is the same
// as Qt's comparison, since no Latin-1 character beyond ASCII folds onto an ASCII letter.
bool sameLatin1Name(QStringView name, QStringView asciiName)
{
    if (name.size() != asciiName.size()) {
        return false;
    }
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t a = name[i].unicode();
        const char16_t b = asciiName[i].unicode();
        const auto lower = [](char16_t c) { return c >= 'A' && c <= 'Z' ? char16_t(c + ('a' - 'A')) : c; };
        if (lower(a) != lower(b)) {
            return false;
        }
    }
    return true;
}

// The header values the record holds, found in one pass over lines of Latin-1 text. As with a
// lookup by name, the first line with the name counts and a line without ":" gives an empty value.
class KnownHeaders
{
public:
    enum Name { MethodOverride, ContentType, ContentLength, Host, Referer, UserAgent, NameCount };

    explicit KnownHeaders(const QStringList& lines)
    {
        static constexpr std::array<QStringView, NameCount> names = {
            u"X-HTTP-Method-Override", u"Content-Type", u"Content-Length", u"Host", u"Referer", u"User-Agent",
        };
        for (const QString& line : lines) {
            const qsizetype colon = line.indexOf(QLatin1Char(':'));
            const QStringView name = (colon < 0 ? QStringView(line) : QStringView(line).left(colon)).trimmed();
            for (int i = 0; i < NameCount; ++i) {
                if (!found_[i] && sameLatin1Name(name, names[i])) {
                    found_[i] = true;
                    if (colon >= 0) {
                        values_[i] = QStringView(line).mid(colon + 1).trimmed();
                    }
                    break;
                }
            }
        }
    }

    // Empty when the header is absent; a view into the lines.
    QStringView value(Name name) const { return values_[name]; }

private:
    std::array<QStringView, NameCount> values_{};
    std::array<bool, NameCount> found_{};
};

} // namespace

QString DecodeDocumentPath(QByteArrayView rawPath)
{
    if (isPlainPath(rawPath)) {
        return QString::fromLatin1(rawPath);
    }
    const QByteArrayView stripped = stripAbsoluteForm(rawPath);
    if (stripped == "*") {
        return QStringLiteral("*");
    }
    QByteArray path = stripped.toByteArray();
    path.replace('\\', '/');
    const qsizetype lastSlash = path.lastIndexOf('/');
    const QByteArrayView folder = QByteArrayView(path).first(lastSlash + 1);
    QByteArrayView lastSegment = QByteArrayView(path).sliced(lastSlash + 1);
    if (const qsizetype hash = lastSegment.indexOf('#'); hash >= 0) {
        lastSegment = lastSegment.first(hash);
    }
    return QString::fromUtf8(percentDecodeBytes(folder)) + QString::fromUtf8(percentDecodeBytes(lastSegment));
}

QStringList DecodeParams(QByteArrayView text, const QString& charset)
{
    QStringList params;
    if (text.isEmpty()) {
        return params;
    }
    UnitEncoder units(charset);
    QStringDecoder decoder;
    if (!charset.isEmpty()) {
        decoder = QStringDecoder(charset.toLatin1().constData());
    }
    qsizetype start = 0;
    for (;;) {
        const qsizetype amp = text.indexOf('&', start);
        const QByteArrayView piece = text.sliced(start, amp < 0 ? text.size() - start : amp - start);
        if (amp < 0 && piece.isEmpty()) {
            break;   // a final "&" adds no entry
        }
        params.append(decodePiece(piece, units, decoder));
        if (amp < 0) {
            break;
        }
        start = amp + 1;
    }
    return params;
}

ContentTypeParts SplitContentType(QStringView headerValue)
{
    ContentTypeParts parts;
    const qsizetype semicolon = headerValue.indexOf(QLatin1Char(';'));
    parts.type = (semicolon < 0 ? headerValue : headerValue.left(semicolon)).trimmed().toString();
    if (semicolon < 0) {
        return parts;
    }
    for (QStringView parameter : headerValue.mid(semicolon + 1).split(QLatin1Char(';'))) {
        const qsizetype equals = parameter.indexOf(QLatin1Char('='));
        if (equals < 0 || parameter.left(equals).trimmed().compare(u"charset", Qt::CaseInsensitive) != 0) {
            continue;
        }
        QStringView value = parameter.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'))) {
            value = value.mid(1, value.size() - 2);
        }
        parts.charset = value.toString();
        break;
    }
    return parts;
}

void DecodeRequest(HttpRawRequest&& raw, TIdHTTPRequestInfo& info)
{
    info.Command = methodText(raw.method);
    info.Version = versionText(raw.version);
    info.URI = QString::fromLatin1(raw.target);
    info.RawHeaders.reserve(raw.headerLines.size());
    for (const QByteArrayView line : std::as_const(raw.headerLines)) {
        info.RawHeaders.append(QString::fromLatin1(line));
    }
    const KnownHeaders headers(info.RawHeaders);
    if (const QStringView override = headers.value(KnownHeaders::MethodOverride); !override.isEmpty()) {
        info.Command = override.toString().toUpper();
    }

    const QByteArrayView target = raw.target;
    const qsizetype question = target.indexOf('?');
    const QByteArrayView path = question < 0 ? target : target.first(question);
    const QByteArrayView query = question < 0 ? QByteArrayView() : target.sliced(question + 1);
    // A plain path decodes to itself; without a query it is the target already converted.
    info.Document = question < 0 && isPlainPath(path) ? info.URI : DecodeDocumentPath(path);
    info.QueryParams = QString::fromLatin1(query);

    if (const QStringView type = headers.value(KnownHeaders::ContentType); !type.isEmpty()) {
        const ContentTypeParts contentType = SplitContentType(type);
        info.ContentType = contentType.type;
        info.CharSet = contentType.charset;
    }
    bool lengthOk = false;
    const qint64 length = headers.value(KnownHeaders::ContentLength).toLongLong(&lengthOk);
    info.ContentLength = lengthOk ? length : -1;
    info.Host = headers.value(KnownHeaders::Host).toString();
    info.Referer = headers.value(KnownHeaders::Referer).toString();
    info.UserAgent = headers.value(KnownHeaders::UserAgent).toString();

    if (raw.hasBody && info.ContentType.compare(FormUrlEncoded, Qt::CaseInsensitive) == 0) {
        info.FormParams = QString::fromLatin1(raw.body);
        if (query.isEmpty()) {
            info.UnparsedParams = info.FormParams;
            info.Params = DecodeParams(raw.body, info.CharSet);
        } else {
            QByteArray paramText = std::move(raw.body);
            paramText.append('&').append(query);
            info.UnparsedParams = QString::fromLatin1(paramText);
            info.Params = DecodeParams(paramText, info.CharSet);
        }
        return;
    }
    if (raw.hasBody) {
        info.PostStream = std::make_unique<QBuffer>();
        info.PostStream->setData(std::move(raw.body));
        info.PostStream->open(QIODevice::ReadOnly);
    }
    info.UnparsedParams = info.QueryParams;
    info.Params = DecodeParams(query, info.CharSet);
}
