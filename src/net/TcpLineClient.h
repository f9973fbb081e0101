#pragma once

#include <memory>
#include <stdexcept>

#include <QByteArray>
#include <QString>

class QTcpSocket;
class TStream;

// Raised by the line client when connecting, sending or receiving fails.
class TcpClientError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A blocking TCP client for line-oriented text followed by counted blocks of bytes. Every
// operation runs on the calling thread and returns when done or raises; use it from the
// thread that created it. Text is 7-bit both ways: anything above 127 becomes "?".
class TIdTCPClient {
public:
    static constexpr int DefaultConnectTimeout = 5000;   // ms for the connection to be made
    static constexpr int DefaultReadTimeout = 30000;     // ms one read may wait for data
    static constexpr qsizetype MaxLineLength = 16384;    // bytes before a line feed must come
    static constexpr qint32 StreamPieceSize = 32768;     // largest single write into a stream

    TIdTCPClient();
    ~TIdTCPClient();

    TIdTCPClient(const TIdTCPClient&) = delete;
    TIdTCPClient& operator=(const TIdTCPClient&) = delete;

    const QString& Host() const { return fhost; }
    void SetHost(const QString& host) { fhost = host; }
    quint16 Port() const { return fport; }
    void SetPort(quint16 port) { fport = port; }
    int ConnectTimeout() const { return fconnecttimeout; }
    void SetConnectTimeout(int milliseconds) { fconnecttimeout = milliseconds; }
    int ReadTimeout() const { return freadtimeout; }
    void SetReadTimeout(int milliseconds) { freadtimeout = milliseconds; }

    // True while the connection is open or received bytes are still unread. Takes in what
    // is waiting first, so a peer that closed with nothing left unread gives false.
    bool Connected();

    // Resolves Host to an IPv4 address and connects, or raises ("Connect timed out." and others).
    void Connect();

    // Sends the text and CR LF at once.
    void WriteLn(const QString& text);

    // The bytes up to the next line feed, without it and one CR before it.
    QString ReadLn();

    // Reads exactly ByteCount bytes into the stream at its position. The stream is sized
    // for them first and cut back to what arrived when the read fails.
    void ReadStream(TStream& stream, qint64 ByteCount);

    // Closes the connection without sending anything; does nothing when none is open.
    void Disconnect();

private:
    void RequireConnected() const;
    void WaitForSocketData();
    void CopyIntoStream(TStream& stream, const char* bytes, qint64 count);

    std::unique_ptr<QTcpSocket> fsocket;
    QByteArray freceived;  // bytes taken in but not yet consumed, shared by lines and blocks
    QString fhost;
    quint16 fport = 0;
    int fconnecttimeout = DefaultConnectTimeout;
    int freadtimeout = DefaultReadTimeout;
};
