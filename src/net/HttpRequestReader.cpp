#include "net/HttpRequestReader.h"

#include <algorithm>

namespace {

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
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
bool HttpRequestReader::takeLine(Span& line, HttpReadStatus& tooLong)
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
    line = {pos_, end - pos_};
    pos_ = feed + 1;
    scanFrom_ = pos_;
    return true;
}

// Method, target and version: the version after the last blank, the method before the first.
HttpReadStatus HttpRequestReader::readRequestLine()
{
    Span line;
    HttpReadStatus failure = HttpReadStatus::NeedMore;
    if (!takeLine(line, failure)) {
        return failure;
    }
    const QByteArrayView text = view(line);
    const qsizetype lastBlank = text.lastIndexOf(' ');
    if (lastBlank < 0) {
        return HttpReadStatus::Drop;
    }
    version_ = {line.start + lastBlank + 1, line.size - lastBlank - 1};
    const qsizetype firstBlank = text.first(lastBlank).indexOf(' ');
    method_ = {line.start, firstBlank < 0 ? lastBlank : firstBlank};
    target_ = firstBlank < 0 ? Span{line.start + lastBlank, 0}
                             : Span{line.start + firstBlank + 1, lastBlank - firstBlank - 1};
    stage_ = Stage::Headers;
    return HttpReadStatus::NeedMore;
}

HttpReadStatus HttpRequestReader::readHeaderLine()
{
    Span line;
    HttpReadStatus failure = HttpReadStatus::NeedMore;
    if (!takeLine(line, failure)) {
        return failure;
    }
    if (line.size == 0) {
        keepHead();
        return checkHead();
    }
    if (headerSpans_.size() >= limits_.MaxHeaderLines) {
        return HttpReadStatus::Drop;
    }
    headerSpans_.append(line);
    return HttpReadStatus::NeedMore;
}

// The head is whole and the buffer stays as it is from here on: the request shares it and
// takes views of its lines.
void HttpRequestReader::keepHead()
{
    request_.head = buffer_;
    const QByteArrayView head = request_.head;
    request_.method = head.sliced(method_.start, method_.size);
    request_.target = head.sliced(target_.start, target_.size);
    request_.version = head.sliced(version_.start, version_.size);
    request_.headerLines.reserve(headerSpans_.size());
    for (const Span& line : std::as_const(headerSpans_)) {
        request_.headerLines.append(head.sliced(line.start, line.size));
    }
}

// The head is complete: refuse what the server does not take, then choose how the body is read.
HttpReadStatus HttpRequestReader::checkHead()
{
    bool hasHost = false;
    QByteArrayView transferCoding;
    QByteArrayView expect;
    bool hasLength = false;
    qint64 length = 0;
    for (const QByteArrayView line : std::as_const(request_.headerLines)) {
        const qsizetype colon = line.indexOf(':');
        const QByteArrayView name = (colon < 0 ? line : line.first(colon)).trimmed();
        const QByteArrayView value = colon < 0 ? QByteArrayView() : line.sliced(colon + 1).trimmed();
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
    Span line;
    HttpReadStatus failure = HttpReadStatus::NeedMore;
    if (!takeLine(line, failure)) {
        return failure;
    }
    qint64 size = 0;
    if (!parseChunkSize(view(line), size)) {
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
    Span line;
    HttpReadStatus failure = HttpReadStatus::NeedMore;
    if (!takeLine(line, failure)) {
        return failure;
    }
    if (line.size != 0) {
        return HttpReadStatus::BadRequest;
    }
    stage_ = Stage::ChunkSize;
    return HttpReadStatus::NeedMore;
}

HttpReadStatus HttpRequestReader::readTrailer()
{
    Span line;
    HttpReadStatus failure = HttpReadStatus::NeedMore;
    if (!takeLine(line, failure)) {
        return failure;
    }
    if (line.size == 0) {
        return finish();
    }
    return ++trailerLines_ > limits_.MaxHeaderLines ? HttpReadStatus::Drop : HttpReadStatus::NeedMore;
}

// Drops consumed bytes once they are many, so a long body is not held twice. The head's lines
// are noted by their place, so the head stays until it is whole.
void HttpRequestReader::compact()
{
    if (stage_ == Stage::RequestLine || stage_ == Stage::Headers) {
        return;
    }
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
