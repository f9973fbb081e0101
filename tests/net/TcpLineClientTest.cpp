#include "net/TcpLineClient.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <thread>
#include <vector>

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "util/FileStream.h"

namespace {

constexpr int PeerWaitMs = 10000;       // generous: the peer only ever waits for the client
constexpr int ShortReadTimeoutMs = 400;

// One loopback connection on its own thread, driven by a script that gets the accepted socket.
class LoopbackPeer {
public:
    using Script = std::function<void(QTcpSocket&)>;

    explicit LoopbackPeer(Script script, const QHostAddress& address = QHostAddress::LocalHost)
    {
        std::promise<int> portPromise;
        std::future<int> portFuture = portPromise.get_future();
        thread_ = std::thread([this, script = std::move(script), address, &portPromise] {
            QTcpServer server;
            if (!server.listen(address, 0)) {
                portPromise.set_value(0);
                return;
            }
            portPromise.set_value(server.serverPort());
            if (!server.waitForNewConnection(PeerWaitMs)) {
                return;
            }
            std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
            script(*socket);
            received_ = receivedSoFar_;
        });
        port_ = static_cast<quint16>(portFuture.get());
    }

    ~LoopbackPeer() { Join(); }

    void Join()
    {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    quint16 Port() const { return port_; }

    // What the peer read, once it has finished.
    QByteArray Received()
    {
        Join();
        return received_;
    }

    // Script helpers, called on the peer's thread.
    static void Send(QTcpSocket& socket, const QByteArray& bytes)
    {
        socket.write(bytes);
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(PeerWaitMs)) {
        }
    }
    void ReadUntil(QTcpSocket& socket, const QByteArray& ending)
    {
        while (!receivedSoFar_.endsWith(ending) && socket.waitForReadyRead(PeerWaitMs)) {
            receivedSoFar_ += socket.readAll();
        }
    }
    static void WaitForClientToLeave(QTcpSocket& socket)
    {
        while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(PeerWaitMs)) {
            socket.readAll();
        }
    }

private:
    std::thread thread_;
    quint16 port_ = 0;
    QByteArray receivedSoFar_;
    QByteArray received_;
};

class TcpLineClientTest : public ::testing::Test {
protected:
    void ConnectTo(const LoopbackPeer& peer)
    {
        ASSERT_NE(peer.Port(), 0);
        client.SetHost("127.0.0.1");
        client.SetPort(peer.Port());
        client.Connect();
    }

    static std::string ErrorOf(const std::function<void()>& operation)
    {
        try {
            operation();
        } catch (const TcpClientError& e) {
            return e.what();
        }
        return "no error";
    }

    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    TIdTCPClient client;
    QTemporaryDir dir;
};

TEST_F(TcpLineClientTest, LinesAreSevenBitAndEndAtALineFeed)
{
    LoopbackPeer* self = nullptr;
    LoopbackPeer peer([&](QTcpSocket& socket) {
        self->ReadUntil(socket, "\r\n");
        LoopbackPeer::Send(socket, "YES\n57\r\nlast\r\r\n\r\ncaf\xc3\xa9\n");
        LoopbackPeer::WaitForClientToLeave(socket);
    });
    self = &peer;
    ConnectTo(peer);
    client.WriteLn(QString::fromUtf8("Gr\u00fc\u00dfe \U0001F600!"));
    const QStringList expected = {"YES", "57", "last\r", "", "caf??"};
    QStringList lines;
    for (int i = 0; i < expected.size(); ++i) {
        lines << client.ReadLn();
    }
    EXPECT_EQ(lines, expected);
    client.Disconnect();
    EXPECT_EQ(peer.Received(), QByteArray("Gr??e ?!\r\n"));
}

TEST_F(TcpLineClientTest, BytesThatArriveWithALineAreKeptForTheStream)
{
    LoopbackPeer peer([](QTcpSocket& socket) {
        LoopbackPeer::Send(socket, "YES\r\n8\r\nabcd");
        socket.waitForReadyRead(300);  // a pause, so the rest arrives separately
        LoopbackPeer::Send(socket, "efgh");
        LoopbackPeer::WaitForClientToLeave(socket);
    });
    ConnectTo(peer);
    EXPECT_EQ(client.ReadLn(), "YES");
    EXPECT_EQ(client.ReadLn(), "8");
    const QString path = dir.filePath("block.bin");
    {
        TZAF_filestream stream(path, FileModeCreate | FileModeOpenReadWrite, 0, 8);
        client.ReadStream(stream, 8);
    }
    EXPECT_EQ(ReadFile(path), QByteArray("abcdefgh"));
    client.Disconnect();
}

TEST_F(TcpLineClientTest, StreamIsSizedFirstAndWrittenInPiecesOfAtMost32768Bytes)
{
    QByteArray block(100000, Qt::Uninitialized);
    for (int i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i * 7);
    }
    LoopbackPeer peer([&](QTcpSocket& socket) {
        LoopbackPeer::Send(socket, "1\n" + block);
        LoopbackPeer::WaitForClientToLeave(socket);
    });
    ConnectTo(peer);
    EXPECT_EQ(client.ReadLn(), "1");
    const QString path = dir.filePath("pieces.bin");
    std::vector<qint64> positions;
    qint64 sizeAtFirstPiece = -1;
    {
        TZAF_filestream stream(path, FileModeCreate | FileModeOpenReadWrite, 0, block.size());
        stream.SetOnProgress([&](const QString&, qint64 pos, qint64, const QString&) {
            if (positions.empty()) {
                sizeAtFirstPiece = stream.Size();
            }
            positions.push_back(pos);
        });
        client.ReadStream(stream, block.size());
    }
    EXPECT_EQ(sizeAtFirstPiece, block.size());
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), block.size());
    qint64 previous = 0;
    for (const qint64 pos : positions) {
        EXPECT_GT(pos, previous);
        EXPECT_LE(pos - previous, TIdTCPClient::StreamPieceSize);
        previous = pos;
    }
    EXPECT_EQ(ReadFile(path), block);
    client.Disconnect();
}

TEST_F(TcpLineClientTest, ZeroByteStreamReadsNothing)
{
    // The peer stays silent: a read would wait and time out.
    LoopbackPeer peer([](QTcpSocket& socket) { LoopbackPeer::WaitForClientToLeave(socket); });
    ConnectTo(peer);
    client.SetReadTimeout(ShortReadTimeoutMs);
    const QString path = dir.filePath("empty.bin");
    {
        TZAF_filestream stream(path, FileModeCreate | FileModeOpenReadWrite, 0, 0);
        client.ReadStream(stream, 0);
    }
    EXPECT_EQ(ReadFile(path), QByteArray());
    client.Disconnect();
}

TEST_F(TcpLineClientTest, FailuresRaiseAndTheStreamKeepsWhatArrived)
{
    struct Row {
        const char* name;
        QByteArray sent;
        bool closeAfterwards;
        bool readStream;
        std::string error;
        QByteArray fileContents;
    };
    const std::vector<Row> rows = {
        {"short block, then close", "abcd", true, true, "Connection Closed Gracefully.", "abcd"},
        {"nothing, then close", "", true, true, "Connection Closed Gracefully.", ""},
        {"silent during a block", "ab", false, true, "Read timed out.", "ab"},
        {"unfinished line, then close", "YE", true, false, "Connection Closed Gracefully.", ""},
        {"silent during a line", "YE", false, false, "Read timed out.", ""},
        {"line without end", QByteArray(TIdTCPClient::MaxLineLength + 100, 'x'), false, false,
         "Max line length exceeded.", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LoopbackPeer peer([&](QTcpSocket& socket) {
            LoopbackPeer::Send(socket, row.sent);
            if (row.closeAfterwards) {
                socket.disconnectFromHost();
            } else {
                LoopbackPeer::WaitForClientToLeave(socket);
            }
        });
        ConnectTo(peer);
        client.SetReadTimeout(ShortReadTimeoutMs);
        const QString path = dir.filePath("partial.bin");
        {
            TZAF_filestream stream(path, FileModeCreate | FileModeOpenReadWrite, 0, 10);
            EXPECT_EQ(ErrorOf([&] {
                          if (row.readStream) {
                              client.ReadStream(stream, 10);
                          } else {
                              client.ReadLn();
                          }
                      }),
                      row.error);
        }
        EXPECT_EQ(ReadFile(path), row.fileContents);
        client.Disconnect();
    }
}

TEST_F(TcpLineClientTest, ConnectedNoticesAPeerThatClosedOnceNothingIsLeftUnread)
{
    LoopbackPeer peer([](QTcpSocket& socket) {
        LoopbackPeer::Send(socket, "bye\r\n");
        socket.disconnectFromHost();
    });
    EXPECT_FALSE(client.Connected());
    ConnectTo(peer);
    peer.Join();
    EXPECT_TRUE(client.Connected());  // "bye" is still unread
    EXPECT_EQ(client.ReadLn(), "bye");
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(ErrorOf([&] { client.WriteLn("more"); }), "Not Connected.");
    client.Disconnect();
    client.Disconnect();  // nothing open: does nothing
    EXPECT_FALSE(client.Connected());
}

TEST_F(TcpLineClientTest, ConnectFailuresRaise)
{
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    client.SetHost("127.0.0.1");
    client.SetPort(closedPort);
    EXPECT_EQ(ErrorOf([&] { client.Connect(); }), "Connection refused.");
    EXPECT_FALSE(client.Connected());

    // An IPv6 listener is never reached: names resolve to IPv4 only.
    LoopbackPeer ipv6Peer([](QTcpSocket&) {}, QHostAddress::LocalHostIPv6);
    if (ipv6Peer.Port() == 0) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    client.SetHost("::1");
    client.SetPort(ipv6Peer.Port());
    EXPECT_EQ(ErrorOf([&] { client.Connect(); }), "Host not found.");
    EXPECT_FALSE(client.Connected());
    // Let the peer stop waiting for a connection that never comes.
    QTcpSocket releaser;
    releaser.connectToHost(QHostAddress::LocalHostIPv6, ipv6Peer.Port());
    releaser.waitForConnected(PeerWaitMs);
}

}  // namespace
