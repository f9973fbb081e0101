#include "update/UpdateRequests.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUuid>

#include "ScriptedUpdateServer.h"
#include "TrashContents.h"
#include "net/TcpLineClient.h"
#include "update/UpdateRun.h"
#include "util/TextUtils.h"
#include "util/UserTrash.h"

namespace {

const QString Header = UpdateSettings().headerName;
const QString RemoteName = QStringLiteral("\\Corvale\\data.bin");
constexpr int TestReadTimeoutMs = 1000;

class UpdateRequestsTest : public ::testing::Test {
protected:
    UpdateRequestsTest()
        : server(Header),
          requests(client, Header, [this](const QString& text) { statusLines << text; },
                   [this](const QString&, qint64 pos, qint64, const QString&) { progress << pos; })
    {
        client.SetHost("127.0.0.1");
        client.SetPort(server.Port());
        client.SetReadTimeout(TestReadTimeoutMs);
        folder = dir.path() + "/downloads";
        QDir().mkpath(folder);
    }

    QString Target() const { return folder + "/data.bin"; }

    static QByteArray Contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static void WriteFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    ScriptedUpdateServer server;
    TIdTCPClient client;
    QStringList statusLines;
    QList<qint64> progress;
    UpdateRequests requests;
    QTemporaryDir dir;
    QString folder;
};

TEST_F(UpdateRequestsTest, DownloadReportsEachOutcome)
{
    const QString failed = "Failed to download data.bin";
    const QString sizeUnreadable = "Failed to read data.bin filesize";
    const QString downloading = "Downloading data.bin..";
    struct Row {
        const char* name;
        ScriptedReply reply;
        bool silent;
        bool result;
        QStringList lines;
        QByteArray contents;
    };
    const std::vector<Row> rows = {
        {"file", ScriptedReply::File("hello"), false, true,
         {downloading, "data.bin completed (" + SizeToText(5) + ")"}, "hello"},
        {"file, silent", ScriptedReply::File("hello"), true, true, {}, "hello"},
        {"empty file", ScriptedReply::File(""), false, true,
         {downloading, "data.bin completed (" + SizeToText(0) + ")"}, ""},
        {"bare line feeds", ScriptedReply::Raw("YES\n3\nabc"), false, true,
         {downloading, "data.bin completed (" + SizeToText(3) + ")"}, "abc"},
        {"not found", ScriptedReply::Word("FNF"), false, false, {"File was not found on server", failed}, "<missing>"},
        {"not found, silent", ScriptedReply::Word("FNF"), true, false, {"File was not found on server"}, "<missing>"},
        {"header refused", ScriptedReply::Word("HDR"), false, false, {"Header check failed", failed}, "<missing>"},
        {"server error", ScriptedReply::Word("ERR"), false, false,
         {"Error occured while checking update", failed}, "<missing>"},
        {"unknown command", ScriptedReply::Word("UCM"), false, false,
         {"Unknown command reply from server", failed}, "<missing>"},
        {"lower-case yes", ScriptedReply::Word("yes"), false, false, {"Unknown response from server", failed}, "<missing>"},
        {"yes with a blank", ScriptedReply::Word("YES "), false, false,
         {"Unknown response from server", failed}, "<missing>"},
        {"empty reply word", ScriptedReply::Word(""), false, false, {"Unknown response from server", failed}, "<missing>"},
        {"size ERR", ScriptedReply::NumberLine("ERR"), false, false, {sizeUnreadable}, "<missing>"},
        {"size empty", ScriptedReply::NumberLine(""), false, false, {sizeUnreadable}, "<missing>"},
        {"size negative", ScriptedReply::NumberLine("-5"), false, false, {sizeUnreadable}, "<missing>"},
        {"size not a number", ScriptedReply::NumberLine("12kB"), false, false, {sizeUnreadable}, "<missing>"},
        {"size of 2 GiB", ScriptedReply::NumberLine("2147483648"), false, false, {sizeUnreadable}, "<missing>"},
        {"size far too large", ScriptedReply::NumberLine("99999999999999999999"), false, false,
         {sizeUnreadable}, "<missing>"},
        {"size unreadable, silent", ScriptedReply::NumberLine("ERR"), true, false, {}, "<missing>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(Target());
        statusLines.clear();
        server.SetReply("GETFILE", RemoteName, row.reply);
        EXPECT_EQ(requests.DownloadFile(RemoteName, folder, row.silent), row.result);
        EXPECT_EQ(statusLines, row.lines);
        EXPECT_EQ(Contents(Target()), row.contents);
        EXPECT_FALSE(client.Connected());
    }
    const ReceivedRequest last = server.Requests().last();
    EXPECT_EQ(QStringList({last.header, last.command, last.argument}),
              QStringList({"UpdateAtQuenby", "GETFILE", "\\Corvale\\data.bin"}));
}

TEST_F(UpdateRequestsTest, FolderWithoutTrailingSlashIsWrittenInto)
{
    server.SetReply("GETFILE", RemoteName, ScriptedReply::File("inside"));
    ASSERT_FALSE(folder.endsWith('/'));
    EXPECT_TRUE(requests.DownloadFile(RemoteName, folder, true));
    EXPECT_EQ(Contents(Target()), QByteArray("inside"));
    EXPECT_EQ(Contents(dir.path() + "/downloadsdata.bin"), QByteArray("<missing>"));
}

TEST_F(UpdateRequestsTest, MissingRequestDataNeverConnects)
{
    struct Row {
        const char* name;
        QString remote;
        QString folder;
        QString header;
    };
    for (const Row& row : {Row{"no folder", RemoteName, "", Header}, Row{"no remote name", "", folder, Header},
                           Row{"no header", RemoteName, folder, ""},
                           Row{"remote name without a file name", "\\Corvale\\", folder, Header}}) {
        SCOPED_TRACE(row.name);
        statusLines.clear();
        UpdateRequests bare(client, row.header, [this](const QString& text) { statusLines << text; }, nullptr);
        EXPECT_FALSE(bare.DownloadFile(row.remote, row.folder, false));
        EXPECT_EQ(statusLines, QStringList{"Insufficient request data"});
        EXPECT_FALSE(bare.DownloadFile(row.remote, row.folder, true));
        EXPECT_EQ(statusLines.size(), 1);
    }
    EXPECT_TRUE(server.Requests().isEmpty());
}

TEST_F(UpdateRequestsTest, RefusedConnectionFailsTheDownload)
{
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    client.SetPort(closedPort);
    EXPECT_FALSE(requests.DownloadFile(RemoteName, folder, false));
    EXPECT_FALSE(requests.DownloadFile(RemoteName, folder, true));
    EXPECT_EQ(statusLines, QStringList{"Failed to connect"});
}

TEST_F(UpdateRequestsTest, ExistingFileGoesToTheTrashFirstUnlessNothingCanBeFetched)
{
    // An unreadable size keeps the existing file where it is.
    WriteFile(Target(), "old kept");
    server.SetReply("GETFILE", RemoteName, ScriptedReply::NumberLine("ERR"));
    EXPECT_FALSE(requests.DownloadFile(RemoteName, folder, true));
    EXPECT_EQ(Contents(Target()), QByteArray("old kept"));

    // A download that then breaks off has already moved the old file to the Trash.
    // Unique bytes, so a copy left in the Trash by an earlier run cannot count.
    const QByteArray oldContents = "old " + QUuid::createUuid().toByteArray();
    WriteFile(Target(), oldContents);
    server.SetReply("GETFILE", RemoteName, ScriptedReply::ShortFile(10, "new"));
    try {
        requests.DownloadFile(RemoteName, folder, false);
        ADD_FAILURE() << "no error raised";
    } catch (const TcpClientError& e) {
        EXPECT_EQ(std::string(e.what()), "Connection Closed Gracefully.");
    }
    EXPECT_EQ(Contents(Target()), QByteArray("new"));
    EXPECT_TRUE(TrashHolds(oldContents));
    EXPECT_EQ(statusLines, QStringList{"Downloading data.bin.."});
    // The broken connection is not left for the next request.
    EXPECT_FALSE(client.Connected());
}

TEST_F(UpdateRequestsTest, BuildRequestReadsTheNumberOrRaises)
{
    struct Row {
        const char* name;
        ScriptedReply reply;
        bool accepted;
        qint32 number;
        QStringList lines;
    };
    const std::vector<Row> rows = {
        {"number", ScriptedReply::NumberLine("58"), true, 58, {"Build info request sent"}},
        {"negative number", ScriptedReply::NumberLine("-3"), true, -3, {"Build info request sent"}},
        {"refused", ScriptedReply::Word("UCM"), false, 0, {"Build info request sent", "Unknown command reply from server"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        statusLines.clear();
        server.SetReply("GETBUILD", RemoteName, row.reply);
        const BuildReply reply = requests.RequestBuild(RemoteName);
        EXPECT_EQ(reply.accepted, row.accepted);
        EXPECT_EQ(reply.number, row.number);
        EXPECT_EQ(statusLines, row.lines);
        EXPECT_FALSE(client.Connected());
    }
    server.SetReply("GETBUILD", RemoteName, ScriptedReply::NumberLine("5x"));
    EXPECT_THROW(requests.RequestBuild(RemoteName), UpdateReplyError);
    EXPECT_FALSE(client.Connected());
}

}  // namespace
