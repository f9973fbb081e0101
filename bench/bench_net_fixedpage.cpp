// A server answering every request with one fixed page, for load tests from another process
// (bench/http_vs_nginx.sh drives it with wrk next to nginx serving the same bytes).
//
//   bench_net_fixedpage --port 8080 --size 1024 [--handlers 4]   serve until SIGINT/SIGTERM
//   bench_net_fixedpage --size 1024 --write-page page.html               write the page bytes and exit
//
// Without arguments it only says how it is used, so running every benchmark stays quick.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

#include "FixedPage.h"
#include "net/HttpServer.h"

namespace {

int signalPipe[2];

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {"port", "Port to listen on.", "port"},
        {"size", "Page size in bytes.", "bytes", "1024"},
        {"handlers", "Handler threads.", "count", QString::number(THttpServerLimits::DefaultHandlerThreads)},
        {"write-page", "Write the page bytes to this file and exit.", "file"},
    });
    parser.process(app);

    const QString page = FixedBenchPage(parser.value("size").toInt());
    if (parser.isSet("write-page")) {
        QFile file(parser.value("write-page"));
        if (!file.open(QIODevice::WriteOnly) || file.write(page.toLatin1()) != page.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
        return 0;
    }
    if (!parser.isSet("port")) {
        std::printf("bench_net_fixedpage: load test server; run bench/http_vs_nginx.sh for figures\n");
        return 0;
    }

    TIdHTTPServer server;
    THttpServerLimits limits;
    limits.HandlerThreads = parser.value("handlers").toInt();
    server.SetLimits(limits);
    server.SetDefaultPort(parser.value("port").toInt());
    server.OnCommandGet = [page](TIdContext&, TIdHTTPRequestInfo&, TIdHTTPResponseInfo& response) {
        response.ContentText = page;
    };
    try {
        server.SetActive(true);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        return 1;
    }
    QSocketNotifier stopNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    const int result = app.exec();
    server.SetActive(false);
    return result;
}
