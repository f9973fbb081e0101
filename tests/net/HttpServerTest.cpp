#include "net/HttpServer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QMutex>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>
#include <QWaitCondition>

#include <atomic>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "HttpTestClient.h"
#include "net/HttpDate.h"

namespace {

constexpr int GenerousMs = 10000;

// What the handler saw of one request.
struct SeenRequest
{
    QString command;
    QString document;
    QStringList params;
    QString peerIP;
    bool hasPostStream = false;
    qint64 postPosition = -1;
    QByteArray post;
};

// A gate that handler threads wait at until the test opens it.
class Gate
{
public:
    void open()
    {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    bool wait()
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(GenerousMs), [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

class HttpServerTest : public ::testing::Test
{
protected:
    void TearDown() override { server.SetActive(false); }

    // Starts on a free port with a handler that records each request and then runs `action`.
    void start(THttpServerLimits limits = {})
    {
        server.SetDefaultPort(0);
        server.SetLimits(limits);
        server.OnCommandGet = [this](TIdContext& context, TIdHTTPRequestInfo& request,
                                     TIdHTTPResponseInfo& response) {
            SeenRequest seen;
            seen.command = request.Command;
            seen.document = request.Document;
            seen.params = request.Params;
            seen.peerIP = context.Binding.PeerIP;
            if (request.PostStream) {
                seen.hasPostStream = true;
                seen.postPosition = request.PostStream->pos();
                seen.post = request.PostStream->data();
            }
            {
                QMutexLocker lock(&seenMutex);
                seenRequests.append(seen);
            }
            if (action) {
                action(context, request, response);
            }
        };
        server.SetActive(true);
        port = server.ListeningPort();
        ASSERT_NE(port, 0);
    }

    HttpTestResponse get(const QByteArray& target, const QByteArray& extraHeaders = {})
    {
        return RawExchange(port, "GET " + target + " HTTP/1.1\r\nHost: localhost\r\n" + extraHeaders + "\r\n");
    }

    QList<SeenRequest> seen()
    {
        QMutexLocker lock(&seenMutex);
        return seenRequests;
    }

    TIdHTTPServer server;
    TIdHTTPServer::CommandHandler action;
    quint16 port = 0;
    QMutex seenMutex;
    QList<SeenRequest> seenRequests;
};

QByteArray post(const QByteArray& target, const QByteArray& contentType, const QByteArray& body)
{
    return "POST " + target + " HTTP/1.1\r\nHost: localhost\r\nContent-Type: " + contentType
        + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

const QByteArray Multipart =
    "--XyZ\r\nContent-Disposition: form-data; name=\"file\"; filename=\"a.jpg\"\r\n"
    "Content-Type: image/jpeg\r\n\r\n\xFF\xD8\x00\x01\r\n--XyZ--\r\n";

struct DecodingCase
{
    const char* name;
    QByteArray request;
    QString document;
    QStringList params;
    bool hasPostStream;
    QByteArray post;
};

TEST_F(HttpServerTest, DecodesRequestsIntoDocumentParamsAndPostStream)
{
    start();
    const DecodingCase cases[] = {
        {"plus is blank, %2B is plus", "GET /?searchfor=a+b%2Bc HTTP/1.1\r\nHost: x\r\n\r\n", "/",
         {"searchfor=a b+c"}, false, {}},
        {"form pairs before query pairs",
         post("/?newname=C", "application/x-www-form-urlencoded", "newname=A&title=B"), "/",
         {"newname=A", "title=B", "newname=C"}, false, {}},
        {"multipart body kept whole, document decoded",
         post("/Test%20User?searchfor=Test+User", "multipart/form-data; boundary=XyZ", Multipart),
         "/Test User", {"searchfor=Test User"}, true, Multipart},
        {"form post with charset UTF-8 decoded as UTF-8",
         post("/", "Application/X-WWW-Form-Urlencoded; charset=UTF-8", "name=K%C3%A4py"), "/",
         {QString::fromUtf8("name=K\xC3\xA4py")}, false, {}},
        {"without charset one byte is one character", "GET /?searchfor=K%E4py+puu HTTP/1.0\r\n\r\n", "/",
         {QString::fromUtf8("searchfor=K\xC3\xA4py puu")}, false, {}},
        {"UTF-8 parameter without charset gives two characters", "GET /?s=K%C3%A4py HTTP/1.0\r\n\r\n", "/",
         {QString::fromUtf8("s=K\xC3\x83\xC2\xA4py")}, false, {}},
        {"path decoded as UTF-8", "GET /photos/K%C3%A4py.jpg HTTP/1.0\r\n\r\n",
         QString::fromUtf8("/photos/K\xC3\xA4py.jpg"), {}, false, {}},
        {"absolute form loses scheme and host", "GET http://intranet:81/add?x=1 HTTP/1.1\r\nHost: intranet\r\n\r\n",
         "/add", {"x=1"}, false, {}},
        {"last segment cut at #, plus kept, backslash as slash",
         "GET /a+b\\c%20d#frag HTTP/1.0\r\n\r\n", "/a+b/c d", {}, false, {}},
        {"empty pieces kept, final & adds none", "GET /?a=1&&b=2& HTTP/1.0\r\n\r\n", "/",
         {"a=1", "", "b=2"}, false, {}},
        {"%u unit above 255 without charset is ?", "GET /?q=%u20AC%u00e4 HTTP/1.0\r\n\r\n", "/",
         {QString::fromUtf8("q=?\xC3\xA4")}, false, {}},
        {"%u unit in the form's charset",
         post("/", "application/x-www-form-urlencoded; charset=utf-8", "q=%u20AC"), "/",
         {QString::fromUtf8("q=\xE2\x82\xAC")}, false, {}},
        {"empty form body: no stream, query pairs after an empty form text",
         post("/?a=1", "application/x-www-form-urlencoded", ""), "/", {"", "a=1"}, false, {}},
        {"chunked body assembled",
         "POST /up HTTP/1.1\r\nHost: x\r\nContent-Type: text/plain\r\nTransfer-Encoding: Chunked\r\n\r\n"
         "3;ext=1\r\nabc\r\n2\r\nde\r\n0\r\nTrailer: t\r\n\r\n",
         "/up", {}, true, "abcde"},
        {"star kept", "OPTIONS * HTTP/1.0\r\nX-HTTP-Method-Override: get\r\n\r\n", "*", {}, false, {}},
    };
    for (const DecodingCase& row : cases) {
        SCOPED_TRACE(row.name);
        seenRequests.clear();
        const HttpTestResponse response = RawExchange(port, row.request);
        EXPECT_EQ(response.status, 200);
        ASSERT_EQ(seen().size(), 1);
        const SeenRequest request = seen().front();
        EXPECT_EQ(request.document, row.document);
        EXPECT_EQ(request.params, row.params);
        EXPECT_EQ(request.hasPostStream, row.hasPostStream);
        if (row.hasPostStream) {
            EXPECT_EQ(request.post, row.post);
            EXPECT_EQ(request.postPosition, 0);
        }
    }
}

TEST_F(HttpServerTest, ParamLookupIgnoresCaseAndTakesFirstOccurrence)
{
    QString newName;
    QString missing;
    QString encodedEquals;
    action = [&](TIdContext&, TIdHTTPRequestInfo& request, TIdHTTPResponseInfo&) {
        newName = request.Param(u"NewName");
        missing = request.Param(u"title");
        encodedEquals = request.Param(u"a");
    };
    start();
    RawExchange(port, post("/?newname=C&a%3Db=c", "application/x-www-form-urlencoded", "newname=A&title="));
    EXPECT_EQ(newName, "A");
    EXPECT_EQ(missing, "");
    EXPECT_EQ(encodedEquals, "b=c");
}

TEST_F(HttpServerTest, MethodOverrideAndCommand)
{
    start();
    RawExchange(port, "GET / HTTP/1.1\r\nHost: x\r\nX-HTTP-Method-Override: post\r\n\r\n");
    RawExchange(port, "head / HTTP/1.1\r\nHost: x\r\n\r\n");
    ASSERT_EQ(seen().size(), 2);
    EXPECT_EQ(seen()[0].command, "POST");
    EXPECT_EQ(seen()[1].command, "HEAD");
}

struct FailureCase
{
    const char* name;
    QByteArray request;
    int status;   // 0: closed without an answer
};

QByteArray withHeaderLines(int count)
{
    QByteArray request = "GET / HTTP/1.1\r\nHost: x\r\n";
    for (int i = 1; i < count; ++i) {
        request += "X-Line-" + QByteArray::number(i) + ": v\r\n";
    }
    return request + "\r\n";
}

TEST_F(HttpServerTest, AnswersMalformedRequestsItself)
{
    start();
    const FailureCase cases[] = {
        {"request line without a blank", "GARBAGE\r\nHost: x\r\n\r\n", 0},
        {"1026 header lines", withHeaderLines(1026), 0},
        {"HTTP/1.1 without Host", "GET / HTTP/1.1\r\n\r\n", 400},
        {"unknown transfer coding", "POST / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: gzip\r\n\r\nabc", 400},
        {"bad chunk size", "POST / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", 400},
        {"bad Content-Length", "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 1x\r\n\r\n", 400},
        {"body without length", "POST / HTTP/1.1\r\nHost: x\r\n\r\nnewname=A", 411},
        {"Expect other than 100-continue", "POST / HTTP/1.1\r\nHost: x\r\nExpect: 200-ok\r\nContent-Length: 1\r\n\r\n", 417},
        {"Authorization other than Basic", "GET / HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer abc\r\n\r\n", 0},
    };
    for (const FailureCase& row : cases) {
        SCOPED_TRACE(row.name);
        const HttpTestResponse response = RawExchange(port, row.request);
        EXPECT_EQ(response.answered, row.status != 0);
        EXPECT_EQ(response.status, row.status);
        if (response.answered) {
            EXPECT_EQ(response.header("Content-Length"), "0");
            EXPECT_EQ(response.body, "");
        }
    }
    EXPECT_EQ(seen().size(), 0);
}

TEST_F(HttpServerTest, AcceptsWhatTheFailuresBorderOn)
{
    start();
    const FailureCase cases[] = {
        {"1025 header lines", withHeaderLines(1025), 200},
        {"HTTP/1.0 without Host", "GET / HTTP/1.0\r\n\r\n", 200},
        {"identity coding with length", "POST / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: identity\r\nContent-Length: 2\r\n\r\nab", 200},
        {"Basic authorization", "GET / HTTP/1.1\r\nHost: x\r\nAuthorization: Basic dTpw\r\n\r\n", 200},
        {"Content-Length 0", "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n", 200},
    };
    for (const FailureCase& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(RawExchange(port, row.request).status, row.status);
    }
    EXPECT_EQ(seen().size(), std::size(cases));
}

TEST_F(HttpServerTest, SendsContinueBeforeReadingTheBody)
{
    start();
    HttpTestConnection connection(port);
    connection.send("POST /x HTTP/1.1\r\nHost: x\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n"
                    "Expect: 100-Continue\r\n\r\n");
    EXPECT_EQ(connection.readSome(GenerousMs), "HTTP/1.1 100 Continue\r\n\r\n");
    connection.send("hello");
    EXPECT_EQ(ParseHttpTestResponse(connection.readUntilClosed()).status, 200);
    ASSERT_EQ(seen().size(), 1);
    EXPECT_EQ(seen().front().post, "hello");
}

TEST_F(HttpServerTest, WritesStatusHeadersCookieAndBody)
{
    action = [](TIdContext&, TIdHTTPRequestInfo&, TIdHTTPResponseInfo& response) {
        response.ContentText = "<html>K\u00E4py</html>";
    };
    start();
    const HttpTestResponse response = get("/");
    EXPECT_EQ(response.statusLine, "HTTP/1.1 200 OK");
    EXPECT_EQ(response.header("Connection"), "close");
    EXPECT_EQ(response.header("Content-Type"), "text/html; charset=ISO-8859-1");
    EXPECT_EQ(response.header("Content-Length"), "17");
    EXPECT_EQ(response.body, "<html>K\xE4py</html>");
    EXPECT_EQ(response.headerCount("Server"), 0);
    const QByteArray cookie = response.header("Set-Cookie");
    ASSERT_TRUE(cookie.startsWith("IDHTTPSESSIONID=")) << cookie.constData();
    const QByteArray identifier = cookie.mid(16, cookie.indexOf(';') - 16);
    EXPECT_EQ(identifier.size(), 15);
    for (char c : identifier) {
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << c;
    }
    EXPECT_EQ(cookie.mid(cookie.indexOf(';')), "; Path=/");
}

TEST_F(HttpServerTest, ReferencesCharactersLatin1CannotHold)
{
    action = [](TIdContext&, TIdHTTPRequestInfo&, TIdHTTPResponseInfo& response) {
        response.ContentText = QString::fromUtf8("\xE2\x82\xAC \xC3\xA4 \xF0\x9F\x98\x80");
    };
    start();
    const HttpTestResponse response = get("/");
    EXPECT_EQ(response.body, "&#8364; \xE4 &#128512;");
    EXPECT_EQ(response.header("Content-Length").toInt(), response.body.size());
}

TEST_F(HttpServerTest, EmptyPageHeadAndOtherMethods)
{
    action = [](TIdContext&, TIdHTTPRequestInfo& request, TIdHTTPResponseInfo& response) {
        if (request.Document == u"/page") {
            response.ContentText = "0123456789";
        }
    };
    start();

    const HttpTestResponse empty = get("/");
    EXPECT_EQ(empty.statusLine, "HTTP/1.1 200 OK");
    EXPECT_EQ(empty.header("Content-Length"), "0");
    EXPECT_EQ(empty.body, "");

    const HttpTestResponse head = RawExchange(port, "HEAD /page HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.header("Content-Length"), "10");
    EXPECT_EQ(head.body, "");

    const int handled = int(seen().size());
    for (const QByteArray method : {"PUT", "DELETE", "OPTIONS"}) {
        SCOPED_TRACE(method.constData());
        const HttpTestResponse other = RawExchange(port, method + " /page HTTP/1.1\r\nHost: x\r\n\r\n");
        EXPECT_EQ(other.status, 200);
        EXPECT_EQ(other.header("Content-Length"), "0");
        EXPECT_EQ(other.body, "");
    }
    EXPECT_EQ(seen().size(), handled);
}

TEST_F(HttpServerTest, HandlerErrorsBecome500OrDropTheConnection)
{
    action = [](TIdContext&, TIdHTTPRequestInfo& request, TIdHTTPResponseInfo& response) {
        response.ContentText = "partial page";
        response.ContentType = "text/plain";
        if (request.Document == u"/raise") {
            throw std::runtime_error("Broken page");
        }
        if (request.Document == u"/socket") {
            throw EIdSocketError("Connection lost");
        }
    };
    start();
    const HttpTestResponse raised = get("/raise");
    EXPECT_EQ(raised.statusLine, "HTTP/1.1 500 Internal Server Error");
    EXPECT_EQ(raised.header("Content-Type"), "text/html; charset=ISO-8859-1");
    EXPECT_EQ(raised.body, "Broken page");

    EXPECT_FALSE(get("/socket").answered);
    EXPECT_EQ(get("/fine").body, "partial page");
}

TEST_F(HttpServerTest, PeerAddressIsPlainTextForBothFamilies)
{
    start();
    get("/");
    ASSERT_EQ(seen().size(), 1);
    EXPECT_EQ(seen()[0].peerIP, "127.0.0.1");

    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHostIPv6, port);
    if (!probe.waitForConnected(GenerousMs)) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    probe.abort();
    RawExchange(port, "GET / HTTP/1.0\r\n\r\n", "::1");
    ASSERT_EQ(seen().size(), 2);
    EXPECT_EQ(seen()[1].peerIP, "::1");
}

// --- files ---

class HttpFileTest : public HttpServerTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        action = [this](TIdContext& context, TIdHTTPRequestInfo& request, TIdHTTPResponseInfo& response) {
            response.SmartServeFile(context, request, folder.filePath(request.Document.mid(1)));
        };
        start();
    }

    QString writeFile(const QString& name, const QByteArray& content, const QDateTime& modified)
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.flush();
        EXPECT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
        file.close();
        return path;
    }

    QTemporaryDir folder;
    const QDateTime fileTime = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9), QTimeZone::utc());
};

TEST_F(HttpFileTest, ServesFileWithItsHeaders)
{
    writeFile("Smith John.jpg", "\xFF\xD8jpegbytes", fileTime);
    const HttpTestResponse response = get("/Smith%20John.jpg");
    EXPECT_EQ(response.statusLine, "HTTP/1.1 200 OK");
    EXPECT_EQ(response.header("Content-Type"), "image/jpeg");
    EXPECT_EQ(response.header("Content-Length"), "11");
    EXPECT_EQ(response.header("Content-Disposition"), "attachment; filename=\"Smith John.jpg\";");
    EXPECT_EQ(response.header("Last-Modified"), "Tue, 05 Mar 2024 14:07:09 GMT");
    EXPECT_EQ(response.header("Connection"), "close");
    EXPECT_EQ(response.body, "\xFF\xD8jpegbytes");

    const HttpTestResponse head = RawExchange(port, "HEAD /Smith%20John.jpg HTTP/1.0\r\n\r\n");
    EXPECT_EQ(head.header("Content-Length"), "11");
    EXPECT_EQ(head.body, "");
}

TEST_F(HttpFileTest, MissingFileIs404)
{
    const HttpTestResponse response = get("/none.gif");
    EXPECT_EQ(response.statusLine, "HTTP/1.1 404 Not Found");
    EXPECT_EQ(response.header("Content-Length"), "0");
    EXPECT_EQ(response.body, "");
}

TEST_F(HttpFileTest, IfModifiedSinceWithinTwoSecondsIs304)
{
    writeFile("logo.gif", "GIF89a", fileTime);
    const struct
    {
        int fileAfterHeaderSeconds;
        int status;
    } cases[] = {{1, 304}, {0, 304}, {-1, 304}, {3, 200}, {-3, 200}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.fileAfterHeaderSeconds);
        const QString since = FormatHttpDate(fileTime.addSecs(-row.fileAfterHeaderSeconds));
        const HttpTestResponse response = get("/logo.gif", "If-Modified-Since: " + since.toLatin1() + "\r\n");
        EXPECT_EQ(response.status, row.status);
        EXPECT_EQ(response.body, row.status == 200 ? QByteArray("GIF89a") : QByteArray());
    }
}

TEST_F(HttpFileTest, LargeFileArrivesWhole)
{
    QByteArray content(3 * 1024 * 1024 + 17, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i) {
        content[i] = char(i * 7 + i / 1000);
    }
    writeFile("setup.bin", content, fileTime);
    const HttpTestResponse response = get("/setup.bin");
    EXPECT_EQ(response.header("Content-Type"), "application/octet-stream");
    EXPECT_EQ(response.header("Content-Length").toLongLong(), content.size());
    EXPECT_TRUE(response.body == content) << "body of " << response.body.size() << " bytes differs";
}

// --- sessions ---

QByteArray cookieOf(const HttpTestResponse& response)
{
    const QByteArray cookie = response.header("Set-Cookie");
    return cookie.left(cookie.indexOf(';'));
}

HttpTestResponse getFrom(const QString& source, quint16 port, const QByteArray& cookie)
{
    QTcpSocket socket;
    socket.bind(QHostAddress(source));
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.waitForConnected(GenerousMs);
    socket.write("GET / HTTP/1.1\r\nHost: x\r\nCookie: other=1; " + cookie + "\r\n\r\n");
    QByteArray received;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(GenerousMs)) {
        received += socket.readAll();
    }
    return ParseHttpTestResponse(received + socket.readAll());
}

TEST_F(HttpServerTest, SessionCookieIsKeptPerAddressUntilTimeOut)
{
    THttpServerLimits limits;
    limits.SessionTimeoutMs = 300;
    start(limits);
    const QByteArray cookie = cookieOf(get("/"));
    ASSERT_FALSE(cookie.isEmpty());

    EXPECT_EQ(getFrom("127.0.0.1", port, cookie).headerCount("Set-Cookie"), 0);
    EXPECT_EQ(getFrom("127.0.0.2", port, cookie).headerCount("Set-Cookie"), 1);

    QThread::msleep(600);
    const QByteArray renewed = cookieOf(getFrom("127.0.0.1", port, cookie));
    EXPECT_FALSE(renewed.isEmpty());
    EXPECT_NE(renewed, cookie);

    server.PurgeStaleSessions(true);
    EXPECT_EQ(getFrom("127.0.0.1", port, renewed).headerCount("Set-Cookie"), 1);
}

// --- threads and limits ---

TEST_F(HttpServerTest, HandlersRunConcurrentlyOnePerConnection)
{
    constexpr int Handlers = 4;
    std::mutex mutex;
    std::condition_variable arrived;
    int inside = 0;
    action = [&](TIdContext&, TIdHTTPRequestInfo&, TIdHTTPResponseInfo& response) {
        std::unique_lock lock(mutex);
        ++inside;
        arrived.notify_all();
        // Only returns "met" when all handlers are inside at once.
        const bool met = arrived.wait_for(lock, std::chrono::milliseconds(GenerousMs),
                                          [&] { return inside >= Handlers; });
        response.ContentText = met ? "met" : "alone";
    };
    THttpServerLimits limits;
    limits.HandlerThreads = Handlers;
    start(limits);

    std::vector<std::unique_ptr<HttpTestConnection>> connections;
    for (int i = 0; i < Handlers; ++i) {
        connections.push_back(std::make_unique<HttpTestConnection>(port));
        connections.back()->send("GET / HTTP/1.0\r\n\r\n");
    }
    for (auto& connection : connections) {
        EXPECT_EQ(ParseHttpTestResponse(connection->readUntilClosed()).body, "met");
    }
}

TEST_F(HttpServerTest, RequestsBeyondThePoolWaitInsteadOfBeingRefused)
{
    Gate gate;
    std::atomic<int> inside{0};
    std::atomic<int> mostInside{0};
    action = [&](TIdContext&, TIdHTTPRequestInfo&, TIdHTTPResponseInfo& response) {
        const int now = ++inside;
        int most = mostInside.load();
        while (now > most && !mostInside.compare_exchange_weak(most, now)) {
        }
        gate.wait();
        --inside;
        response.ContentText = "done";
    };
    THttpServerLimits limits;
    limits.HandlerThreads = 2;
    start(limits);

    std::vector<std::unique_ptr<HttpTestConnection>> connections;
    for (int i = 0; i < 5; ++i) {
        connections.push_back(std::make_unique<HttpTestConnection>(port));
        connections.back()->send("GET / HTTP/1.0\r\n\r\n");
    }
    QElapsedTimer timer;
    timer.start();
    while (inside.load() < 2 && timer.elapsed() < GenerousMs) {
        QThread::msleep(5);
    }
    QThread::msleep(200);
    EXPECT_EQ(mostInside.load(), 2);
    gate.open();
    for (auto& connection : connections) {
        EXPECT_EQ(ParseHttpTestResponse(connection->readUntilClosed()).body, "done");
    }
    EXPECT_EQ(mostInside.load(), 2);
}

TEST_F(HttpServerTest, IdleConnectionsDoNotBlockOthers)
{
    // A long listen queue only saves time here: this loopback takes connections in bursts.
    THttpServerLimits limits;
    limits.ListenBacklog = 128;
    start(limits);
    std::vector<std::unique_ptr<HttpTestConnection>> idle;
    for (int i = 0; i < 100; ++i) {
        idle.push_back(std::make_unique<HttpTestConnection>(port));
        ASSERT_TRUE(idle.back()->connected());
        if (i % 2) {
            idle.back()->send("GET /half");   // a request that never completes
        }
    }
    EXPECT_EQ(get("/").status, 200);
    for (auto& connection : idle) {
        EXPECT_TRUE(connection->connected());
    }
}

TEST_F(HttpServerTest, LimitsAreEnforcedWithTheirAnswers)
{
    THttpServerLimits limits;
    limits.MaxBodyBytes = 10;
    limits.MaxLineBytes = 64;
    start(limits);
    const QByteArray longTarget = "/" + QByteArray(80, 'a');
    const FailureCase cases[] = {
        {"body at the limit", post("/", "text/plain", QByteArray(10, 'b')), 200},
        {"body over the limit", "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 11\r\n\r\nbbbb", 413},
        {"chunked body over the limit",
         "POST / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n8\r\n12345678\r\n8\r\n12345678\r\n0\r\n\r\n", 413},
        {"request line over the limit", "GET " + longTarget + " HTTP/1.1\r\nHost: x\r\n\r\n", 400},
        {"header line over the limit", "GET / HTTP/1.1\r\nHost: x\r\nX-Long: " + QByteArray(70, 'h') + "\r\n\r\n", 400},
        {"header line at the limit", "GET / HTTP/1.1\r\nHost: x\r\nX-Long: " + QByteArray(56, 'h') + "\r\n\r\n", 200},
    };
    for (const FailureCase& row : cases) {
        SCOPED_TRACE(row.name);
        const HttpTestResponse response = RawExchange(port, row.request);
        EXPECT_EQ(response.status, row.status);
    }
}

TEST_F(HttpServerTest, IdleConnectionIsClosed)
{
    THttpServerLimits limits;
    limits.IdleTimeoutMs = 100;
    start(limits);
    HttpTestConnection connection(port);
    connection.send("GET / HTTP/1.1\r\n");
    EXPECT_TRUE(connection.closedByServer(GenerousMs));
    EXPECT_EQ(seen().size(), 0);
}

TEST_F(HttpServerTest, ConnectionsBeyondTheOpenLimitWait)
{
    THttpServerLimits limits;
    limits.MaxOpenConnections = 2;
    start(limits);
    auto first = std::make_unique<HttpTestConnection>(port);
    HttpTestConnection second(port);
    QThread::msleep(100);
    HttpTestConnection third(port);
    third.send("GET / HTTP/1.0\r\n\r\n");
    EXPECT_EQ(third.readSome(300), "");
    first.reset();
    EXPECT_EQ(ParseHttpTestResponse(third.readUntilClosed()).status, 200);
}

// --- life cycle ---

TEST_F(HttpServerTest, StartOnAPortInUseFails)
{
    start();
    TIdHTTPServer second;
    second.SetDefaultPort(port);
    EXPECT_THROW(second.SetActive(true), EIdCouldNotBindSocket);
    EXPECT_FALSE(second.Active());
    EXPECT_EQ(get("/").status, 200);
}

TEST_F(HttpServerTest, StopClosesConnectionsAndWaitsForHandlers)
{
    Gate gate;
    std::atomic<bool> handlerReturned{false};
    action = [&](TIdContext&, TIdHTTPRequestInfo&, TIdHTTPResponseInfo&) {
        gate.wait();
        handlerReturned = true;
    };
    start();
    HttpTestConnection idle(port);
    HttpTestConnection busy(port);
    busy.send("GET / HTTP/1.0\r\n\r\n");
    QElapsedTimer timer;
    timer.start();
    while (seen().isEmpty() && timer.elapsed() < GenerousMs) {
        QThread::msleep(5);
    }
    ASSERT_EQ(seen().size(), 1);

    std::atomic<bool> returnedAfterHandler{false};
    std::thread stopper([&] {
        server.SetActive(false);
        returnedAfterHandler = handlerReturned.load();
    });
    EXPECT_TRUE(idle.closedByServer(GenerousMs));
    EXPECT_TRUE(busy.closedByServer(GenerousMs));
    gate.open();
    stopper.join();
    EXPECT_TRUE(returnedAfterHandler.load());
    EXPECT_FALSE(server.Active());
    EXPECT_EQ(server.ListeningPort(), 0);

    // It starts again after a stop.
    action = nullptr;
    server.SetActive(true);
    port = server.ListeningPort();
    EXPECT_EQ(get("/").status, 200);
}

} // namespace
