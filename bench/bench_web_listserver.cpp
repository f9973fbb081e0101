// The list page of a 1,000-entry directory (a tenth with photos) served by our whole web
// service, for load tests from another process (bench/listpage_vs_nginx.sh drives it with wrk
// next to nginx serving the same bytes).
//
//   bench_web_listserver --port 8080          serve until SIGINT/SIGTERM
//   bench_web_listserver --write-page page    write the list page's bytes as served and exit
//
// Without arguments it only says how it is used, so running every benchmark stays quick.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "DirectoryFixture.h"
#include "net/HttpServer.h"
#include "util/LogFile.h"
#include "util/Settings.h"
#include "web/DirectoryService.h"
#include "workbook/Workbook.h"

namespace {

constexpr int kEntries = 1000;
constexpr int kFetchTimeoutMs = 10000;
int signalPipe[2];

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
}

QByteArray fetchBody(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    socket.waitForConnected(kFetchTimeoutMs);
    socket.write("GET /list.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray raw;
    while (socket.waitForReadyRead(kFetchTimeoutMs)) {
        raw += socket.readAll();
    }
    return raw.mid(raw.indexOf("\r\n\r\n") + 4);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {"port", "Port to listen on.", "port"},
        {"write-page", "Write the list page's bytes to this file and exit.", "file"},
    });
    parser.process(app);
    if (!parser.isSet("port") && !parser.isSet("write-page")) {
        std::printf("bench_web_listserver: load test server; run bench/listpage_vs_nginx.sh for figures\n");
        return 0;
    }

    QTemporaryDir base;
    TZAF_workbook workbook;
    FillBenchDirectory(workbook, base.path(), kEntries);
    workbook.SaveWorkbook(base.filePath("Corvale.zwb"));
    {
        QMutexLocker lock(&Settings.Lock);
        Settings.LogoPicture = base.filePath("pictures/tidewell.gif");
    }
    TZAF_LogFile log;
    TDirectoryService service(workbook, log, base.path(), base.filePath("Corvale.zwb"));
    TIdHTTPServer server;
    service.SetServer(&server);
    server.OnCommandGet = [&service](TIdContext& c, TIdHTTPRequestInfo& q, TIdHTTPResponseInfo& r) {
        service.IdHTTPServer1CommandGet(&c, &q, &r);
    };
    server.SetDefaultPort(parser.isSet("write-page") ? 0 : parser.value("port").toInt());
    try {
        server.SetActive(true);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot listen: %s\n", error.what());
        return 1;
    }

    if (parser.isSet("write-page")) {
        const QByteArray body = fetchBody(server.ListeningPort());
        server.SetActive(false);
        QFile file(parser.value("write-page"));
        if (body.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(body) != body.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
        return 0;
    }

    if (::pipe(signalPipe) != 0) {
        return 1;
    }
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    QSocketNotifier stop(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [&] {
        server.SetActive(false);
        app.quit();
    });
    return app.exec();
}
