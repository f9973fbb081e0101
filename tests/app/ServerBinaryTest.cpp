// The built corvale-server, copied alone into a temporary folder and run as a process.
#include <gtest/gtest.h>

#include <csignal>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "LoopbackHttp.h"
#include "util/BuildVersion.h"

namespace {

constexpr int GenerousMs = 20000;

class ServerBinaryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = base.filePath("corvale-server");
        ASSERT_TRUE(QFile::copy(QStringLiteral(CORVALE_SERVER_BINARY), program));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", dataHome.path());
        process.setProcessEnvironment(environment);
        process.setProgram(program);
    }

    void writeConfigWithPort(quint16 port) const
    {
        QFile config(base.filePath("Corvale.config"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write("[Corvale]\r\nport=" + QByteArray::number(port) + "\r\n");
    }

    // Reads standard output until a line matching the pattern arrives.
    QString waitForLine(const QRegularExpression& pattern)
    {
        QDeadlineTimer deadline(GenerousMs);
        while (!deadline.hasExpired()) {
            while (process.canReadLine()) {
                const QString line = QString::fromLocal8Bit(process.readLine()).chopped(1);
                seen << line;
                if (pattern.match(line).hasMatch()) {
                    return line;
                }
            }
            if (!process.waitForReadyRead(100) && process.state() == QProcess::NotRunning) {
                break;
            }
        }
        return {};
    }

    QTemporaryDir base;
    QTemporaryDir dataHome;
    QString program;
    QProcess process;
    QStringList seen;
};

TEST_F(ServerBinaryTest, StartsServesAndShutsDownInOrderOnSigterm)
{
    const quint16 port = FreeLoopbackPort();
    writeConfigWithPort(port);
    process.start();
    ASSERT_TRUE(process.waitForStarted(GenerousMs));

    // Each log line as the console shows it: the local time, "> ", the line.
    const QString timePrefix = QStringLiteral("^\\d{1,2}[:.]\\d{2}[:.]\\d{2}[^>]*> ");
    EXPECT_NE(waitForLine(QRegularExpression(timePrefix + "New corvale file created$")), QString()) << seen.join('\n').toStdString();
    EXPECT_NE(waitForLine(QRegularExpression(timePrefix + "Corvale server started on port " + QString::number(port) + "$")),
              QString())
        << seen.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo::exists(dataHome.filePath("Corvale/Corvale.zwb")));
    EXPECT_TRUE(QFileInfo(base.filePath("photos")).isDir());

    EXPECT_EQ(HttpGet(port, "/").status, 200);
    EXPECT_NE(waitForLine(QRegularExpression(timePrefix + "127\\.0\\.0\\.1> list")), QString()) << seen.join('\n').toStdString();

    QFile::remove(base.filePath("Corvale.config"));
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(GenerousMs));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_FALSE(AcceptsConnections(port));
    QFile config(base.filePath("Corvale.config"));
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    EXPECT_TRUE(config.readAll().contains("\r\nport=" + QByteArray::number(port) + "\r\n"));
}

TEST_F(ServerBinaryTest, SigintAlsoShutsDownInOrder)
{
    const quint16 port = FreeLoopbackPort();
    writeConfigWithPort(port);
    process.start();
    ASSERT_TRUE(process.waitForStarted(GenerousMs));
    ASSERT_NE(waitForLine(QRegularExpression("> Corvale server started on port " + QString::number(port) + "$")),
              QString())
        << seen.join('\n').toStdString();

    QFile::remove(base.filePath("Corvale.config"));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(GenerousMs));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(QFileInfo::exists(base.filePath("Corvale.config")));
}

TEST_F(ServerBinaryTest, ReadsOnlyHelpAndVersion)
{
    const struct {
        QStringList arguments;
        int exitCode;
        QString outputStart;
        QString errorStart;
    } cases[] = {
        {{"--version"}, 0, "corvale-server " + BuildVersion::current().text() + "\n", ""},
        {{"--help"}, 0, "Usage: corvale-server", ""},
        {{"--port=8081"}, 2, "", "corvale-server: unknown argument \"--port=8081\""},
        {{"--help", "--version"}, 2, "", "corvale-server: unknown argument \"--help\""},
    };
    for (const auto& c : cases) {
        process.setArguments(c.arguments);
        process.start();
        ASSERT_TRUE(process.waitForFinished(GenerousMs));
        const QString output = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString error = QString::fromLocal8Bit(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(output.left(c.outputStart.size()), c.outputStart);
        EXPECT_EQ(error.left(c.errorStart.size()), c.errorStart);
        EXPECT_EQ(output.isEmpty(), c.outputStart.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(dataHome.filePath("Corvale")));
}

}  // namespace
