#include "net/HttpRequestReader.h"

#include <algorithm>

namespace {

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArrayView headerName(QByteArrayView line)
{
    const qsizetype colon = line.indexOf(':');
    return (colon < 0 ? line : line.first(colon)).trimmed();
}

QByteArrayView headerValue(QByteArrayView line)
{
    const qsizetype colon = line.indexOf(':');
    return colon < 0 ? QByteArrayView() : line.sliced(colon + 1).trimmed();
}

bool containsNoCase(QByteArrayView text, QByteArrayView word)
{
    return text.toByteArray().toLower().contains(word.toByteArray().toLower());
}

// Decimal digits only, no sign; false on anything else or on overflow.
bool parseLength(QByteArrayView text, qint64& length)
{
    if (text.isEmpty() || text.size() > 18) {
        return false;
    }
    length = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        length = length * 10 + (c - '0');
    }
    return true;
}

bool parseChunkSize(QByteArrayView line, qint64& size)
{
    const qsizetype semicolon = line.indexOf(';');
    const QByteArrayView digits = (semicolon < 0 ? line : line.first(semicolon)).trimmed();
    if (digits.isEmpty() || digits.size() > 15) {
        return false;
    }
    size = 0;
    for (char c : digits) {
        int value;
        if (c >= '0' && c <= '9') {
            value = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            value = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            value = c - 'A' + 10;
        } else {
            return false;
        }
        size = size * 16 + value;
    }
    return true;
}

} // namespace

HttpRequestReader::HttpRequestReader(const THttpServerLimits& limits)
    : limits_(limits)
{
}

HttpReadStatus HttpRequestReader::read(QByteArrayView received)
{
    if (stage_ == Stage::Done) {
        return HttpReadStatus::Complete;
    }
    compact();
    buffer_.append(received);
    return advance();
}

HttpReadStatus HttpRequestReader::advance()
{
    for (;;) {
        const Stage before = stage_;
        const qsizetype consumedBefore = pos_;
        HttpReadStatus status = HttpReadStatus::NeedMore;
        switch (stage_) {
        case Stage::RequestLine: status = readRequestLine(); break;
        case Stage::Headers: status = readHeaderLine(); break;
        case Stage::FixedBody: status = readFixedBody(); break;
        case Stage::ChunkSize: status = readChunkSize(); break;
        case Stage::ChunkData: status = readChunkData(); break;
        case Stage::ChunkDataEnd: status = readChunkDataEnd(); break;
        case Stage::Trailers: status = readTrailer(); break;
        case Stage::Done: return HttpReadStatus::Complete;
        }
        if (status != HttpReadStatus::NeedMore) {
            return status;
        }
        if (stage_ == before && pos_ == consumedBefore) {
            return HttpReadStatus::NeedMore;
        }
    }
}

// One line up to a line feed, without it and without a carriage return before it.
bool HttpRequestReader::takeLine(QByteArray& line, HttpReadStatus& tooLong)
{
    const qsizetype feed = buffer_.indexOf('\n', scanFrom_);
    if (feed < 0) {
        scanFrom_ = buffer_.size();
        if (unread() > limits_.MaxLineBytes) {
            tooLong = HttpReadStatus::BadRequest;
        }
        return false;
    }
    qsizetype end = feed;
    if (end > pos_ && buffer_.at(end - 1) == '\r') {
        --end;
    }
    if (end - pos_ > limits_.MaxLineBytes) {
        tooLong = HttpReadStatus::BadRequest;
        return false;
    }
    line = buffer_.mid(pos_, end - pos_);
    pos_ = feed + 1;
    scanFrom_ = pos_;
    return true;
}

// Method, target and version: the version after the last blank, the method before the first.
HttpReadStatus HttpRequestReader::readRequestLine()
{
    QByteArray line;
    HttpReadStatus failure = HttpReadStatus::NeedMore;
    if (!takeLine(line, failure)) {
        return failure;
    }
    const qsizetype lastBlank = line.lastIndexOf(' ');
    if (lastBlank < 0) {
        return HttpReadStatus::Drop;
    }
    request_.version = line.mid(lastBlank + 1);
    const QByteArray rest = line.left(lastBlank);
    const qsizetype firstBlank = rest.indexOf(' ');
    request_.method = firstBlank < 0 ? rest : rest.left(firstBlank);
    request_.target = firstBlank < 0 ? QByteArray() : rest.mid(firstBlank + 1);
    stage_ = Stage::Headers;
    return HttpReadStatus::NeedMore;
}

HttpReadStatus HttpRequestReader::readHeaderLine()
{
    QByteArray line;
    HttpReadStatus failure = HttpReadStatus::NeedMore;
    if (!takeLine(line, failure)) {
        return failure;
    }
    if (line.isEmpty()) {
        return checkHead();
    }
    if (request_.headerLines.size() >= limits_.MaxHeaderLines) {
        return HttpReadStatus::Drop;
    }
    request_.headerLines.append(line);
    return HttpReadStatus::NeedMore;
}

// The head is complete: refuse what the server does not take, then choose how the body is read.
HttpReadStatus HttpRequestReader::checkHead()
{
    bool hasHost = false;
    QByteArrayView transferCoding;
    QByteArrayView expect;
    bool hasLength = false;
    qint64 length = 0;
    for (const QByteArray& line : std::as_const(request_.headerLines)) {
        const QByteArrayView name = headerName(line);
        const QByteArrayView value = headerValue(line);
        if (sameName(name, "Host")) {
            hasHost = true;
        } else if (sameName(name, "Authorization")) {
            const qsizetype blank = value.indexOf(' ');
            if (!sameName(blank < 0 ? value : value.first(blank), "Basic")) {
                return HttpReadStatus::Drop;
            }
        } else if (sameName(name, "Transfer-Encoding")) {
            transferCoding = value;
        } else if (sameName(name, "Expect")) {
            expect = value;
        } else if (sameName(name, "Content-Length")) {
            qint64 thisLength = 0;
            if (!parseLength(value, thisLength) || (hasLength && thisLength != length)) {
                return HttpReadStatus::BadRequest;
            }
            hasLength = true;
            length = thisLength;
        }
    }
    if (request_.version == "HTTP/1.1" && !hasHost) {
        return HttpReadStatus::BadRequest;
    }
    const bool coded = !transferCoding.isEmpty() && !sameName(transferCoding, "identity");
    if (coded && !containsNoCase(transferCoding, "chunked")) {
        return HttpReadStatus::BadRequest;
    }
    if (!coded && hasLength && length > limits_.MaxBodyBytes) {
        return HttpReadStatus::PayloadTooLarge;
    }
    if (!expect.isEmpty() && !sameName(expect, "100-continue")) {
        return HttpReadStatus::ExpectationFailed;
    }
    if (coded) {
        request_.hasBody = true;
        stage_ = Stage::ChunkSize;
    } else if (hasLength) {
        request_.hasBody = true;
        remaining_ = length;
        request_.body.reserve(length);
        stage_ = Stage::FixedBody;
    } else {
        return unread() > 0 ? HttpReadStatus::LengthRequired : finish();
    }
    if (!expect.isEmpty() && (coded || length > 0) && unread() == 0) {
        return HttpReadStatus::SendContinue;
    }
    return HttpReadStatus::NeedMore;
}

HttpReadStatus HttpRequestReader::readFixedBody()
{
    const qint64 take = std::min<qint64>(remaining_, unread());
    request_.body.append(buffer_.constData() + pos_, take);
    pos_ += take;
    remaining_ -= take;
    return remaining_ > 0 ? HttpReadStatus::NeedMore : finish();
}

HttpReadStatus HttpRequestReader::readChunkSize()
{
    QByteArray line;
    HttpReadStatus failure = HttpReadStatus::NeedMore;
    if (!takeLine(line, failure)) {
        return failure;
    }
    qint64 size = 0;
    if (!parseChunkSize(line, size)) {
        return HttpReadStatus::BadRequest;
    }
    if (request_.body.size() + size > limits_.MaxBodyBytes) {
        return HttpReadStatus::PayloadTooLarge;
    }
    remaining_ = size;
    stage_ = size == 0 ? Stage::Trailers : Stage::ChunkData;
    return HttpReadStatus::NeedMore;
}

HttpReadStatus HttpRequestReader::readChunkData()
{
    const qint64 take = std::min<qint64>(remaining_, unread());
    request_.body.append(buffer_.constData() + pos_, take);
    pos_ += take;
    scanFrom_ = pos_;
    remaining_ -= take;
    if (remaining_ == 0) {
        stage_ = Stage::ChunkDataEnd;
    }
    return HttpReadStatus::NeedMore;
}

// The line end after a chunk's data.
HttpReadStatus HttpRequestReader::readChunkDataEnd()
{
    QByteArray line;
    HttpReadStatus failure = HttpReadStatus::NeedMore;
    if (!takeLine(line, failure)) {
        return failure;
    }
    if (!line.isEmpty()) {
        return HttpReadStatus::BadRequest;
    }
    stage_ = Stage::ChunkSize;
    return HttpReadStatus::NeedMore;
}

HttpReadStatus HttpRequestReader::readTrailer()
{
    QByteArray line;
    HttpReadStatus failure = HttpReadStatus::NeedMore;
    if (!takeLine(line, failure)) {
        return failure;
    }
    if (line.isEmpty()) {
        return finish();
    }
    return ++trailerLines_ > limits_.MaxHeaderLines ? HttpReadStatus::Drop : HttpReadStatus::NeedMore;
}

// Drops consumed bytes once they are many, so a long body is not held twice.
void HttpRequestReader::compact()
{
    if (pos_ == buffer_.size()) {
        buffer_.clear();
        pos_ = scanFrom_ = 0;
    } else if (pos_ > CompactAfterBytes) {
        buffer_.remove(0, pos_);
        scanFrom_ -= pos_;
        pos_ = 0;
    }
}

HttpReadStatus HttpRequestReader::finish()
{
    stage_ = Stage::Done;
    buffer_.clear();
    pos_ = scanFrom_ = 0;
    return HttpReadStatus::Complete;
}
