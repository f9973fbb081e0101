// CPU time of the work every request costs outside the socket loop: the bytes a load tool sends
// read into a raw request, decoded, given a session, answered with a fixed 1 KB page and turned
// into the response head and body. Prints nanoseconds per request for the whole path and for
// each stage, the best of a few rounds.
//
//   bench_net_requestpath [--requests 20000] [--rounds 5] [--stage all|path|reader|decode|session|head+body]
//
// The session list lives as it does in the server: every request without a cookie starts a
// session, and a cleaning pass once a second ends those past their time-out. It is filled to
// its steady size before timing, so every request also pays for one session ending. The clock
// runs at 1,000 requests a second, which keeps that size at 60,000 sessions; a server under
// load holds some twenty times as many. For instruction counts run it under callgrind with one
// stage and one round.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>
#include <vector>

#include "net/HttpBufferPool.h"
#include "net/HttpContext.h"
#include "net/HttpExchange.h"
#include "FixedPage.h"
#include "net/HttpRequestDecoder.h"
#include "net/HttpRequestReader.h"
#include "net/HttpResponseBytes.h"
#include "net/HttpResponseWriter.h"
#include "net/HttpSessionList.h"

namespace {

const QByteArray LoadToolRequest =
    "GET /page1024.html HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nConnection: close\r\n\r\n";

constexpr int RequestsPerMs = 1;

// A clock that moves on with every request, with the server's cleaning pass once a second.
class SessionClock
{
public:
    // Fills `sessions` to the size it keeps from then on.
    explicit SessionClock(HttpSessionList& sessions) : sessions_(sessions)
    {
        const QString peer = QStringLiteral("127.0.0.1");
        for (int i = 0; i < THttpServerLimits::DefaultSessionTimeoutMs * RequestsPerMs; ++i) {
            sessions_.touchOrStart({}, peer, next());
        }
    }

    qint64 next()
    {
        if (++count_ % RequestsPerMs == 0) {
            ++nowMs_;
            if (nowMs_ % THttpServerLimits::DefaultSessionCleanIntervalMs == 0) {
                sessions_.purge(false, nowMs_);
            }
        }
        return nowMs_;
    }

private:
    HttpSessionList& sessions_;
    qint64 nowMs_ = 0;
    qint64 count_ = 0;
};

HttpRawRequest readRequest(const THttpServerLimits& limits)
{
    HttpRequestReader reader(limits);
    if (reader.read(LoadToolRequest) != HttpReadStatus::Complete) {
        std::fprintf(stderr, "the request did not read as complete\n");
        std::exit(1);
    }
    return reader.takeRequest();
}

class RequestPathBench
{
public:
    RequestPathBench(int requests, int rounds) : requests_(requests), rounds_(rounds)
    {
        binding_.PeerIP = QStringLiteral("127.0.0.1");
        binding_.PeerPort = 50000;
        const QString page = FixedBenchPage(1024);
        handler_ = [page](TIdContext&, TIdHTTPRequestInfo&, TIdHTTPResponseInfo& response) {
            response.ContentText = page;
        };
    }

    // The whole path as the server runs it on a handler thread, after the reader.
    double path()
    {
        HttpSessionList sessions(THttpServerLimits::DefaultSessionTimeoutMs);
        SessionClock clock(sessions);
        return best([&] {
            HttpRequestReader reader(limits_);
            reader.read(LoadToolRequest);
            HttpResponseBytes bytes;
            ServeRequest(reader.takeRequest(), binding_, handler_, sessions, buffers_, clock.next(), bytes);
            buffers_.give(std::move(bytes.body));
        });
    }

    double reader()
    {
        return best([&] {
            HttpRequestReader reader(limits_);
            reader.read(LoadToolRequest);
            HttpRawRequest raw = reader.takeRequest();
        });
    }

    double decode()
    {
        std::vector<HttpRawRequest> raws;
        return best([&] {
            TIdHTTPRequestInfo request;
            DecodeRequest(std::move(raws.back()), request);
            raws.pop_back();
        }, [&] {
            raws.clear();
            for (int i = 0; i < requests_; ++i) {
                raws.push_back(readRequest(limits_));
            }
        });
    }

    double session()
    {
        TIdHTTPRequestInfo request;
        DecodeRequest(readRequest(limits_), request);
        HttpSessionList sessions(THttpServerLimits::DefaultSessionTimeoutMs);
        SessionClock clock(sessions);
        return best([&] {
            const HttpSessionList::Lookup session =
                sessions.touchOrStart(SessionCookieValues(request), binding_.PeerIP, clock.next());
        });
    }

    // The response record, the handler call, the body's bytes and the head.
    double answer()
    {
        TIdHTTPRequestInfo request;
        DecodeRequest(readRequest(limits_), request);
        const QString identifier = QStringLiteral("AbCdEfGhIjKlMnO");
        return best([&] {
            TIdHTTPResponseInfo response;
            response.Cookies.append({HttpSessionList::CookieName, identifier, QStringLiteral("/")});
            TIdContext context;
            context.Binding = binding_;
            handler_(context, request, response);
            HttpResponseBytes bytes;
            bytes.body = EncodeLatin1WithReferences(response.ContentText, buffers_.take(response.ContentText.size()));
            bytes.head = BuildResponseHead(response, bytes.body.size());
            buffers_.give(std::move(bytes.body));
        });
    }

private:
    // Nanoseconds per request of the quickest round; `prepare` runs before each round, untimed.
    double best(const std::function<void()>& perRequest, const std::function<void()>& prepare = {})
    {
        double bestNs = 0;
        for (int round = 0; round < rounds_; ++round) {
            if (prepare) {
                prepare();
            }
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < requests_; ++i) {
                perRequest();
            }
            const double ns = double(timer.nsecsElapsed()) / requests_;
            bestNs = round == 0 ? ns : qMin(bestNs, ns);
        }
        return bestNs;
    }

    const int requests_;
    const int rounds_;
    const THttpServerLimits limits_;
    TIdSocketHandle binding_;
    TIdHTTPServer::CommandHandler handler_;
    HttpBufferPool buffers_;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {"requests", "Requests per round.", "count", "20000"},
        {"rounds", "Rounds per stage; the quickest counts.", "count", "5"},
        {"stage", "One of all, path, reader, decode, session, head+body.", "name", "all"},
    });
    parser.process(app);

    RequestPathBench bench(qMax(1, parser.value("requests").toInt()), qMax(1, parser.value("rounds").toInt()));
    const struct
    {
        const char* name;
        double (RequestPathBench::*run)();
    } stages[] = {
        {"path", &RequestPathBench::path},
        {"reader", &RequestPathBench::reader},
        {"decode", &RequestPathBench::decode},
        {"session", &RequestPathBench::session},
        {"head+body", &RequestPathBench::answer},
    };
    const QString chosen = parser.value("stage");
    bool ran = false;
    for (const auto& stage : stages) {
        if (chosen == u"all" || chosen == QLatin1String(stage.name)) {
            std::printf("%-8s %8.0f ns per request\n", stage.name, (bench.*stage.run)());
            ran = true;
        }
    }
    if (!ran) {
        std::fprintf(stderr, "unknown stage %s\n", qPrintable(chosen));
        return 1;
    }
    return 0;
}
