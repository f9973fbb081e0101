#include "app/ServerHost.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QMutex>
#include <QTcpServer>
#include <QTemporaryDir>

#include "LoopbackHttp.h"
#include "util/LogFile.h"
#include "util/Settings.h"
#include "workbook/Workbook.h"

#include "TestFiles.h"

namespace {

// Each test gets a fresh base folder and a data folder that does not exist yet.
class ServerHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The settings record is the program's one global; start every test from zero.
        Settings.Port = 0;
        Settings.LogoPicture.clear();
        Settings.LeaveCopy = Settings.disableupload = Settings.disablemodify = Settings.SearchWithWildcards = false;
    }

    QString baseFolder() const { return base.path() + "/"; }
    QString dataFolder() const { return dataRoot.path() + "/Corvale/"; }
    QString configPath() const { return baseFolder() + "Corvale.config"; }
    QString dataPath() const { return dataFolder() + "Corvale.zwb"; }

    void writeConfigWithPort(qint64 port) const
    {
        writeFile(configPath(), "[Corvale]\r\nport=" + QByteArray::number(port) + "\r\n");
    }

    std::unique_ptr<TServerHost> makeHost()
    {
        auto host = std::make_unique<TServerHost>(baseFolder(), dataFolder());
        host->Log().OnLog = [this](TZAF_LogFile&, QString& Txt) {
            QMutexLocker locker(&linesLock);
            lines << Txt;
        };
        return host;
    }

    QStringList logLines()
    {
        QMutexLocker locker(&linesLock);
        return lines;
    }

    void shutDown(TServerHost& host)
    {
        QString error;
        EXPECT_TRUE(host.FormDestroy(error)) << error.toStdString();
    }

    QTemporaryDir base;
    QTemporaryDir dataRoot;
    QMutex linesLock;
    QStringList lines;
};

TEST_F(ServerHostTest, FirstStartCreatesTheDataFileAndServes)
{
    const quint16 port = FreeLoopbackPort();
    writeConfigWithPort(port);
    auto host = makeHost();
    host->FormCreate();

    EXPECT_EQ(logLines(), QStringList({"New corvale file created",
                                       "Corvale server started on port " + QString::number(port)}));
    EXPECT_TRUE(QFileInfo(dataFolder()).isDir());
    const QList<QByteArray> dataLines = readFile(dataPath()).split('\n');
    ASSERT_EQ(dataLines.size(), 10);  // nine lines, each ended by CR LF
    EXPECT_EQ(dataLines[0], QByteArray("TZAFWORKBOOKHEADER1007\r"));
    EXPECT_EQ(dataLines.mid(5, 4), QList<QByteArray>({"1\r", "0\r", "10\r", "0\r"}));
    EXPECT_FALSE(QFileInfo::exists(dataPath() + ".bak"));
    EXPECT_TRUE(QFileInfo(baseFolder() + "photos").isDir());
    EXPECT_EQ(GetAppFolder(), baseFolder());
    EXPECT_EQ(GetDataFolder(), dataFolder());

    EXPECT_EQ(host->ListeningPort(), port);
    EXPECT_EQ(HttpGet(port, "/").status, 200);
    shutDown(*host);
}

TEST_F(ServerHostTest, SecondStartBacksUpTheDataFileAsItWas)
{
    writeConfigWithPort(FreeLoopbackPort());
    {
        auto first = makeHost();
        first->FormCreate();
        shutDown(*first);
    }
    const QByteArray atStart = readFile(dataPath());
    lines.clear();

    auto second = makeHost();
    second->FormCreate();
    EXPECT_EQ(readFile(dataPath() + ".bak"), atStart);
    EXPECT_FALSE(logLines().contains("New corvale file created"));
    shutDown(*second);
}

TEST_F(ServerHostTest, ADataFileBesideTheExecutableMovesIntoTheDataFolder)
{
    writeConfigWithPort(FreeLoopbackPort());
    {
        auto first = makeHost();
        first->FormCreate();
        shutDown(*first);
    }
    // An older installation's file, different from the one in the data folder.
    const QByteArray older = readFile(dataPath()).replace("\r\n10\r\n", "\r\n3\r\n");
    writeFile(baseFolder() + "Corvale.zwb", older);

    auto second = makeHost();
    second->FormCreate();
    EXPECT_FALSE(QFileInfo::exists(baseFolder() + "Corvale.zwb"));
    EXPECT_EQ(readFile(dataPath()), older);
    EXPECT_EQ(readFile(dataPath() + ".bak"), older);
    EXPECT_EQ(second->Workbook().Columns(), 3);
    shutDown(*second);
}

TEST_F(ServerHostTest, APortAbove65535ListensOnItsLow16Bits)
{
    const quint16 port = FreeLoopbackPort();
    writeConfigWithPort(port + 65536);
    auto host = makeHost();
    host->FormCreate();
    EXPECT_EQ(logLines().last(), "Corvale server started on port " + QString::number(port));
    EXPECT_TRUE(AcceptsConnections(port));
    shutDown(*host);
    EXPECT_TRUE(readFile(configPath()).contains("\r\nport=" + QByteArray::number(port + 65536) + "\r\n"));
}

TEST_F(ServerHostTest, APortInUseIsLoggedAndTheConfigurationIsStillWritten)
{
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::Any, 0));
    writeConfigWithPort(occupant.serverPort());
    auto host = makeHost();
    host->FormCreate();
    EXPECT_EQ(logLines().last(), "Error starting corvale server on port " + QString::number(occupant.serverPort()));
    EXPECT_FALSE(host->ServerActive());

    QFile::remove(configPath());
    shutDown(*host);
    EXPECT_TRUE(readFile(configPath()).contains("\r\nport=" + QByteArray::number(occupant.serverPort()) + "\r\n"));
}

TEST_F(ServerHostTest, NoConfigurationGivesTheDefaultsAndShutDownWritesThemAll)
{
    auto host = makeHost();
    host->FormCreate();
    // Port 81 may or may not be free here; either way the line names it.
    EXPECT_TRUE(logLines().last().endsWith(" on port 81")) << logLines().last().toStdString();
    EXPECT_EQ(Settings.Port, 81);
    EXPECT_EQ(GetLogoPicture(), baseFolder() + "pictures/tidewell.gif");
    EXPECT_EQ(GetLeaveCopy(), true);
    EXPECT_EQ(GetDisableUpload(), false);
    EXPECT_EQ(GetDisableModify(), false);
    EXPECT_EQ(GetSearchWithWildcards(), false);

    shutDown(*host);
    EXPECT_EQ(readFile(configPath()), "[Corvale]\r\nlogo=" + (baseFolder() + "pictures/tidewell.gif").toUtf8() +
                                           "\r\nport=81\r\nCopy=1\r\nNoUpload=0\r\nNoModify=0\r\n"
                                           "SearchWithWildcards=0\r\n");
}

TEST_F(ServerHostTest, SwitchesComeFromTheConfiguration)
{
    writeFile(configPath(), "[Corvale]\r\nport=" + QByteArray::number(FreeLoopbackPort()) +
                                "\r\nNoModify=1\r\nCopy=0\r\nSearchWithWildcards=1\r\n");
    auto host = makeHost();
    host->FormCreate();
    EXPECT_EQ(GetDisableModify(), true);
    EXPECT_EQ(GetLeaveCopy(), false);
    EXPECT_EQ(GetSearchWithWildcards(), true);
    EXPECT_EQ(GetDisableUpload(), false);
    shutDown(*host);
}

TEST_F(ServerHostTest, AConfigurationThatCannotBeWrittenIsReported)
{
    const quint16 port = FreeLoopbackPort();
    auto host = makeHost();
    host->FormCreate();
    ASSERT_TRUE(QDir().mkpath(configPath()));  // a folder where the file should be; holds for root too
    Settings.Port = port;

    QString error;
    EXPECT_FALSE(host->FormDestroy(error));
    EXPECT_EQ(error, "Unable to write to " + QDir::toNativeSeparators(configPath()));
    EXPECT_FALSE(host->ServerActive());
}

TEST_F(ServerHostTest, ShutDownStopsServingBeforeWritingTheConfiguration)
{
    const quint16 port = FreeLoopbackPort();
    writeConfigWithPort(port);
    auto host = makeHost();
    host->FormCreate();
    ASSERT_TRUE(AcceptsConnections(port));
    QFile::remove(configPath());

    shutDown(*host);
    EXPECT_FALSE(host->ServerActive());
    EXPECT_FALSE(AcceptsConnections(port));
    EXPECT_TRUE(QFileInfo::exists(configPath()));
}

TEST_F(ServerHostTest, ConsoleStepsRunAtTheirPlacesInTheSequence)
{
    const quint16 port = FreeLoopbackPort();
    writeConfigWithPort(port);
    auto host = makeHost();
    QStringList seen;
    TServerHost* h = host.get();
    host->SetStartupSteps({
        [&] { seen << QString("before: data folder %1").arg(QFileInfo(dataFolder()).exists()); },
        [&] {
            seen << QString("after photos: photos %1, port %2")
                        .arg(QFileInfo(baseFolder() + "photos").isDir())
                        .arg(Settings.Port);
        },
        [&] { seen << QString("after configuration: port %1, active %2").arg(Settings.Port).arg(h->ServerActive()); },
    });
    host->FormCreate();
    EXPECT_EQ(seen, QStringList({"before: data folder 0", "after photos: photos 1, port 0",
                                 QString("after configuration: port %1, active 0").arg(port)}));
    EXPECT_TRUE(host->ServerActive());
    shutDown(*host);
}

}  // namespace
