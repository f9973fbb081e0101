#include "net/TcpLineClient.h"

#include <algorithm>

#include <QTcpSocket>

#include "util/Stream.h"

namespace {

constexpr char32_t HighestSevenBit = 127;

const char* const ConnectTimedOut = "Connect timed out.";
const char* const ReadTimedOut = "Read timed out.";
const char* const ClosedGracefully = "Connection Closed Gracefully.";
const char* const NotConnected = "Not Connected.";
const char* const AlreadyConnected = "Already connected.";
const char* const HostNotFound = "Host not found.";
const char* const ConnectionRefused = "Connection refused.";
const char* const LineTooLong = "Max line length exceeded.";
const char* const StreamWriteFailed = "Stream write error.";

QByteArray ToSevenBit(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size() + 2);
    for (const char32_t codePoint : text.toUcs4()) {
        bytes.append(codePoint <= HighestSevenBit ? static_cast<char>(codePoint) : '?');
    }
    return bytes;
}

QString FromSevenBit(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = byte <= HighestSevenBit ? QChar(byte) : QChar('?');
    }
    return text;
}

std::string ConnectErrorText(const QTcpSocket& socket)
{
    switch (socket.error()) {
    case QAbstractSocket::SocketTimeoutError:
        return ConnectTimedOut;
    case QAbstractSocket::HostNotFoundError:
        return HostNotFound;
    case QAbstractSocket::ConnectionRefusedError:
        return ConnectionRefused;
    default:
        return socket.errorString().toStdString();
    }
}

}  // namespace

TIdTCPClient::TIdTCPClient() : fsocket(std::make_unique<QTcpSocket>()) {}

TIdTCPClient::~TIdTCPClient() = default;

bool TIdTCPClient::Connected()
{
    if (fsocket->state() == QAbstractSocket::ConnectedState) {
        // A zero wait takes in waiting bytes and notices a peer that has closed.
        fsocket->waitForReadyRead(0);
    }
    if (fsocket->bytesAvailable() > 0) {
        freceived += fsocket->readAll();
    }
    return !freceived.isEmpty() || fsocket->state() == QAbstractSocket::ConnectedState;
}

void TIdTCPClient::Connect()
{
    if (fsocket->state() == QAbstractSocket::ConnectedState) {
        throw TcpClientError(AlreadyConnected);
    }
    fsocket->abort();
    freceived.clear();
    fsocket->connectToHost(fhost, fport, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
    if (!fsocket->waitForConnected(fconnecttimeout)) {
        const std::string message = ConnectErrorText(*fsocket);
        fsocket->abort();
        throw TcpClientError(message);
    }
}

void TIdTCPClient::WriteLn(const QString& text)
{
    RequireConnected();
    fsocket->write(ToSevenBit(text) + "\r\n");
    while (fsocket->bytesToWrite() > 0) {
        if (!fsocket->waitForBytesWritten(freadtimeout)) {
            throw TcpClientError(fsocket->errorString().toStdString());
        }
    }
}

QString TIdTCPClient::ReadLn()
{
    qsizetype searchFrom = 0;
    for (;;) {
        const qsizetype lineFeed = freceived.indexOf('\n', searchFrom);
        if (lineFeed >= 0) {
            qsizetype lineEnd = lineFeed;
            if (lineEnd > 0 && freceived[lineEnd - 1] == '\r') {
                --lineEnd;
            }
            const QString line = FromSevenBit(QByteArrayView(freceived).first(lineEnd));
            freceived.remove(0, lineFeed + 1);
            return line;
        }
        if (freceived.size() > MaxLineLength) {
            throw TcpClientError(LineTooLong);
        }
        // Only the new bytes need searching next time.
        searchFrom = freceived.size();
        WaitForSocketData();
        freceived += fsocket->readAll();
    }
}

void TIdTCPClient::ReadStream(TStream& stream, qint64 ByteCount)
{
    const qint64 total = qMax<qint64>(ByteCount, 0);
    try {
        if (!stream.SetSize(stream.Position() + total)) {
            throw TcpClientError(StreamWriteFailed);
        }
        qint64 missing = total;
        // What came in with the last line goes first, in the same bounded pieces.
        qsizetype consumed = 0;
        while (missing > 0 && consumed < freceived.size()) {
            const qint64 piece = std::min<qint64>({missing, freceived.size() - consumed, StreamPieceSize});
            CopyIntoStream(stream, freceived.constData() + consumed, piece);
            consumed += piece;
            missing -= piece;
        }
        freceived.remove(0, consumed);
        while (missing > 0) {
            WaitForSocketData();
            const QByteArray piece = fsocket->read(qMin<qint64>(missing, StreamPieceSize));
            CopyIntoStream(stream, piece.constData(), piece.size());
            missing -= piece.size();
        }
    } catch (...) {
        // The stream keeps exactly the bytes that arrived.
        if (stream.Size() > stream.Position()) {
            stream.SetSize(stream.Position());
        }
        throw;
    }
    if (stream.Size() > stream.Position()) {
        stream.SetSize(stream.Position());
    }
}

void TIdTCPClient::Disconnect()
{
    fsocket->abort();
    freceived.clear();
}

void TIdTCPClient::RequireConnected() const
{
    if (fsocket->state() != QAbstractSocket::ConnectedState) {
        throw TcpClientError(NotConnected);
    }
}

// Returns once the socket holds unread bytes; raises on time-out or when the peer has gone.
void TIdTCPClient::WaitForSocketData()
{
    if (fsocket->bytesAvailable() > 0) {
        return;
    }
    if (fsocket->state() != QAbstractSocket::ConnectedState) {
        throw TcpClientError(fsocket->state() == QAbstractSocket::UnconnectedState &&
                                     fsocket->error() == QAbstractSocket::RemoteHostClosedError
                                 ? ClosedGracefully
                                 : NotConnected);
    }
    if (fsocket->waitForReadyRead(freadtimeout) || fsocket->bytesAvailable() > 0) {
        return;
    }
    switch (fsocket->error()) {
    case QAbstractSocket::SocketTimeoutError:
        if (fsocket->state() == QAbstractSocket::ConnectedState) {
            throw TcpClientError(ReadTimedOut);
        }
        break;
    case QAbstractSocket::RemoteHostClosedError:
        throw TcpClientError(ClosedGracefully);
    default:
        break;
    }
    if (fsocket->state() != QAbstractSocket::ConnectedState) {
        throw TcpClientError(ClosedGracefully);
    }
    throw TcpClientError(fsocket->errorString().toStdString());
}

void TIdTCPClient::CopyIntoStream(TStream& stream, const char* bytes, qint64 count)
{
    if (stream.Write(bytes, static_cast<qint32>(count)) != count) {
        throw TcpClientError(StreamWriteFailed);
    }
}
