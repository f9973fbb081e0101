// The headless server: the same start-up and shut-down as the console, without any window.
// Every log line goes to standard output as the console's log view shows it.
#include <csignal>
#include <cstdio>
#include <exception>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStringList>

#include "app/AppFolders.h"
#include "app/LogViewLine.h"
#include "app/ServerHost.h"
#include "util/BuildVersion.h"
#include "util/LogFile.h"

namespace {

const QString ApplicationTitle = QStringLiteral("Corvale");
const QString ProgramName = QStringLiteral("corvale-server");

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

QString usageText()
{
    return QStringLiteral(
               "Usage: %1 [--help | --version]\n"
               "Serves the staff directory over HTTP until it receives SIGTERM or SIGINT.\n"
               "The configuration (Corvale.config), the \"photos\" and \"pictures\" folders and every\n"
               "served file lie in the folder of this program; the data file lies in %2.\n")
        .arg(ProgramName, UserDataFolderFor(ApplicationTitle));
}

void printTo(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
    std::fflush(stream);
}

// SIGTERM and SIGINT are turned into a byte on a pipe, read back on the main thread.
int signalPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

bool installStopSignals()
{
    if (::pipe(signalPipe) != 0) {
        return false;
    }
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(ApplicationTitle);

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments == QStringList{QStringLiteral("--help")}) {
        printTo(stdout, usageText());
        return ExitOk;
    }
    if (arguments == QStringList{QStringLiteral("--version")}) {
        printTo(stdout, QStringLiteral("%1 %2\n").arg(ProgramName, BuildVersion::current().text()));
        return ExitOk;
    }
    if (!arguments.isEmpty()) {
        printTo(stderr, QStringLiteral("%1: unknown argument \"%2\"\n").arg(ProgramName, arguments.first()));
        printTo(stderr, usageText());
        return ExitUsage;
    }
    if (!installStopSignals()) {
        printTo(stderr, QStringLiteral("%1: cannot watch for stop signals\n").arg(ProgramName));
        return ExitFailure;
    }

    TServerHost host(QCoreApplication::applicationDirPath(), UserDataFolderFor(ApplicationTitle));
    // Runs on whichever thread logs, under the log's lock, so lines never interleave.
    host.Log().OnLog = [](TZAF_LogFile&, QString& Txt) { printTo(stdout, LogViewLine(Txt) + QLatin1Char('\n')); };

    QSocketNotifier stopNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    try {
        host.FormCreate();
    } catch (const std::exception& error) {
        // Start-up ends at the failed step; what was started so far keeps running.
        printTo(stderr, QStringLiteral("%1: %2\n").arg(ProgramName, QString::fromLocal8Bit(error.what())));
    }
    app.exec();

    QString error;
    if (!host.FormDestroy(error)) {
        printTo(stderr, error + QLatin1Char('\n'));
        return ExitFailure;
    }
    return ExitOk;
}
