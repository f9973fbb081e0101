#include "update/UpdateRun.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUuid>

#include "ScriptedUpdateServer.h"
#include "TrashContents.h"
#include "update/UpdateWindow.h"
#include "util/LocaleFormats.h"
#include "util/TextUtils.h"
#include "util/UserTrash.h"

namespace {

const UpdateSettings Defaults;
const QString Installer = Defaults.installerFile;
const QString Notes = Defaults.appNotesFile;
const QByteArray InstallerBytes = "#!/bin/sh\nexit 0\n";
constexpr qint32 RunningBuild = 57;
constexpr int TestReadTimeoutMs = 1000;

// Records what the run shows and answers its questions from a script.
class ScriptedWindow final : public UpdateWindow {
public:
    void ClearLog() override
    {
        ++clears;
        rows.clear();
    }
    void AddLogRow(const QString& row) override
    {
        timePrefixes << row.section("> ", 0, 0);
        rows << row.section("> ", 1);
    }
    void SetProgressCaption(const QString& caption) override { captions << caption; }
    void SetProgressMaximum(qint64 maximum) override { maxima << maximum; }
    void SetProgressPosition(qint64 position) override { positions << position; }
    void ProcessPendingEvents() override
    {
        if (onEvents) {
            onEvents();
        }
    }
    void ShowInformation(const QString& text) override { information << text; }
    bool Confirm(const QString& question) override
    {
        questions << question;
        return answerYes;
    }
    std::optional<QString> AskSaveFileName(const QString& proposedFile) override
    {
        proposals << proposedFile;
        return saveAnswer;
    }
    void StartProgram(const QString& path) override { started << path; }
    void QuitApplication() override { ++quitRequests; }

    // Answers.
    bool answerYes = true;
    std::optional<QString> saveAnswer;
    std::function<void()> onEvents;

    // What was shown.
    int clears = 0;
    QStringList rows;
    QStringList timePrefixes;
    QStringList captions;
    QList<qint64> maxima;
    QList<qint64> positions;
    QStringList information;
    QStringList questions;
    QStringList proposals;
    QStringList started;
    int quitRequests = 0;
};

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Whether every item of part appears in whole, in this order.
bool InOrder(const QStringList& whole, const QStringList& part)
{
    qsizetype next = 0;
    for (const QString& item : whole) {
        if (next < part.size() && item == part[next]) {
            ++next;
        }
    }
    return next == part.size();
}

class UpdateRunTest : public ::testing::Test {
protected:
    UpdateRunTest() : server(Defaults.headerName)
    {
        mainPath = dir.path() + "/main/";
        tempFolder = dir.path() + "/temp/";
        chosenFolder = dir.path() + "/chosen place";
        for (const QString& folder : {mainPath, tempFolder, chosenFolder}) {
            QDir().mkpath(folder);
        }
        window.saveAnswer = chosenFolder + "/CorvaleInstall.exe";
    }

    UpdateRun& Run()
    {
        if (!run) {
            UpdateSettings settings;
            settings.updateHost = "127.0.0.1";
            settings.updatePort = port ? port : server.Port();
            settings.mainPath = mainPath;
            settings.tempFolder = tempFolder;
            settings.build = RunningBuild;
            run = std::make_unique<UpdateRun>(window, settings);
            run->Client().SetReadTimeout(TestReadTimeoutMs);
        }
        return *run;
    }

    QString CheckingLine() const
    {
        return QStringLiteral("Checking updates on 127.0.0.1:%1..").arg(server.Port());
    }

    QStringList Commands() const
    {
        QStringList commands;
        for (const ReceivedRequest& request : server.Requests()) {
            commands << request.command + " " + request.argument;
        }
        return commands;
    }

    QString InstalledPath() const { return chosenFolder + "/CorvaleInstall.exe"; }

    static std::string ErrorOf(const std::function<void()>& operation)
    {
        try {
            operation();
        } catch (const std::exception& e) {
            return e.what();
        }
        return "no error";
    }

    QTemporaryDir dir;
    QString mainPath;
    QString tempFolder;
    QString chosenFolder;
    ScriptedUpdateServer server;
    quint16 port = 0;
    ScriptedWindow window;
    std::unique_ptr<UpdateRun> run;
};

TEST_F(UpdateRunTest, CheckJudgesTheBuildReply)
{
    const QString sent = "Build info request sent";
    struct Row {
        const char* name;
        ScriptedReply reply;
        bool available;
        QString lastLine;
        QString lastCaption;
    };
    const std::vector<Row> rows = {
        {"newer build", ScriptedReply::NumberLine("58"), true, "Update available (b58)", "Update available (b58)"},
        {"bare line feeds", ScriptedReply::Raw("YES\n58\n"), true, "Update available (b58)", "Update available (b58)"},
        {"same build", ScriptedReply::NumberLine("57"), false, "No update available at the moment (b57)",
         "No Updates Available"},
        {"older build", ScriptedReply::NumberLine("3"), false, "No update available at the moment (b3)",
         "No Updates Available"},
        {"negative build", ScriptedReply::NumberLine("-1"), false, "No update available at the moment (b-1)",
         "No Updates Available"},
        {"header refused", ScriptedReply::Word("HDR"), false, "Header check failed", "Header check failed"},
        {"server error", ScriptedReply::Word("ERR"), false, "Error occured while checking update",
         "Error occured while checking update"},
        {"not found", ScriptedReply::Word("FNF"), false, "File was not found on server", "File was not found on server"},
        {"unknown command", ScriptedReply::Word("UCM"), false, "Unknown command reply from server",
         "Unknown command reply from server"},
        {"lower-case yes", ScriptedReply::Word("yes"), false, "Unknown response from server",
         "Unknown response from server"},
        {"yes with a blank", ScriptedReply::Word("YES "), false, "Unknown response from server",
         "Unknown response from server"},
        {"empty reply", ScriptedReply::Word(""), false, "Unknown response from server", "Unknown response from server"},
    };
    const ScopedLocaleFormats formats({"yyyy-MM-dd", "HH:mm:ss", '.'});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        server.SetReply("GETBUILD", Installer, row.reply);
        EXPECT_EQ(Run().UpdateAvailable(), row.available);
        EXPECT_EQ(window.rows, QStringList({CheckingLine(), sent, row.lastLine}));
        EXPECT_EQ(window.captions.first(), "Updating..");
        EXPECT_EQ(window.captions.last(), row.lastCaption);
        EXPECT_FALSE(Run().Updating());
        EXPECT_FALSE(Run().Client().Connected());
        window.captions.clear();
    }
    for (const QString& prefix : window.timePrefixes) {
        EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(prefix).hasMatch()) << prefix.toStdString();
    }
    // A check never downloads.
    EXPECT_EQ(Commands().filter("GETFILE"), QStringList());
    EXPECT_EQ(window.proposals, QStringList());
}

TEST_F(UpdateRunTest, FullRunsFromNotesToInstaller)
{
    const QString downloading = "Downloading CorvaleInstall.exe..";
    const QString completed = "CorvaleInstall.exe completed (" + SizeToText(InstallerBytes.size()) + ")";
    const QString question = "Run CorvaleInstall.exe now?";
    struct Row {
        const char* name;
        ScriptedReply notes;
        ScriptedReply installer;
        std::optional<QString> saveAs;  // file name in the chosen folder; none: cancel
        bool answerYes;
        QStringList lines;              // after "Update available"
        QStringList information;
        QStringList questions;
        bool started;
        QByteArray installed;
    };
    const std::vector<Row> rows = {
        {"installed", ScriptedReply::File("first\r\nsecond\r\n"), ScriptedReply::File(InstallerBytes),
         "CorvaleInstall.exe", true, {downloading, completed}, {"first\nsecond"}, {question}, true, InstallerBytes},
        {"notes missing", ScriptedReply::Word("FNF"), ScriptedReply::File(InstallerBytes), "CorvaleInstall.exe", true,
         {"File was not found on server", downloading, completed}, {}, {question}, true, InstallerBytes},
        {"notes size unreadable", ScriptedReply::NumberLine("ERR"), ScriptedReply::File(InstallerBytes),
         "CorvaleInstall.exe", true, {downloading, completed}, {}, {question}, true, InstallerBytes},
        {"save cancelled", ScriptedReply::File("notes"), ScriptedReply::File(InstallerBytes), std::nullopt, true,
         {"Updating interrupted"}, {"notes"}, {}, false, "<missing>"},
        {"run declined", ScriptedReply::File("notes"), ScriptedReply::File(InstallerBytes), "CorvaleInstall.exe", false,
         {downloading, completed}, {"notes"}, {question}, false, InstallerBytes},
        {"installer not found", ScriptedReply::File("notes"), ScriptedReply::Word("FNF"), "CorvaleInstall.exe", true,
         {"File was not found on server", "Failed to download CorvaleInstall.exe"}, {"notes"}, {}, false, "<missing>"},
        {"empty installer", ScriptedReply::File("notes"), ScriptedReply::File(""), "CorvaleInstall.exe", true,
         {downloading, "CorvaleInstall.exe completed (" + SizeToText(0) + ")"}, {"notes"}, {question}, true, ""},
        {"another name typed", ScriptedReply::File("notes"), ScriptedReply::File(InstallerBytes), "setup.run", true,
         {downloading, completed}, {"notes"}, {question}, true, InstallerBytes},
    };
    server.SetReply("GETBUILD", Installer, ScriptedReply::NumberLine("58"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(InstalledPath());
        window = ScriptedWindow();
        window.answerYes = row.answerYes;
        window.saveAnswer = row.saveAs ? std::optional<QString>(chosenFolder + "/" + *row.saveAs) : std::nullopt;
        server.SetReply("GETFILE", Notes, row.notes);
        server.SetReply("GETFILE", Installer, row.installer);

        Run().FormActivate();

        EXPECT_EQ(window.rows, QStringList({CheckingLine(), "Build info request sent", "Update available (b58)"}) +
                                   row.lines);
        EXPECT_EQ(window.information, row.information);
        EXPECT_EQ(window.proposals, QStringList{mainPath + "CorvaleInstall.exe"});
        EXPECT_EQ(window.questions, row.questions);
        EXPECT_EQ(window.started, row.started ? QStringList{InstalledPath()} : QStringList());
        EXPECT_EQ(window.quitRequests, row.started ? 1 : 0);
        EXPECT_EQ(Contents(InstalledPath()), row.installed);
        if (row.started) {
            EXPECT_TRUE(QFileInfo(InstalledPath()).isExecutable());
        }
        // Only the installer's own name is ever written.
        EXPECT_EQ(QDir(chosenFolder).entryList(QDir::Files), row.installed == "<missing>" ? QStringList()
                                                                                          : QStringList{"CorvaleInstall.exe"});
        EXPECT_FALSE(QFile::exists(tempFolder + "changes.txt"));
        // Step 14 sets the bar to its end, except after a cancelled save dialog.
        EXPECT_EQ(window.positions.last() == 100, row.saveAs.has_value());
        EXPECT_FALSE(Run().Updating());
        EXPECT_FALSE(Run().Client().Connected());
    }
}

TEST_F(UpdateRunTest, NotesAreShownThenMovedToTheTrash)
{
    const QByteArray notes = "Changes " + QUuid::createUuid().toByteArray() + "\r\n";
    server.SetReply("GETBUILD", Installer, ScriptedReply::NumberLine("60"));
    server.SetReply("GETFILE", Notes, ScriptedReply::File(notes));
    server.SetReply("GETFILE", Installer, ScriptedReply::File(InstallerBytes));
    Run().FormActivate();
    EXPECT_EQ(window.information, QStringList{QString::fromLatin1(notes).trimmed()});
    EXPECT_TRUE(TrashHolds(notes));
    EXPECT_FALSE(QFile::exists(tempFolder + "changes.txt"));
    EXPECT_TRUE(InOrder(window.captions, {"Viewing change notes", "Downloading update",
                                          SizeToText(InstallerBytes.size()) + " of " + SizeToText(InstallerBytes.size()),
                                          "Update Downloaded"}))
        << window.captions.join(" | ").toStdString();
    EXPECT_EQ(Commands(), QStringList({"GETBUILD " + Installer, "GETFILE " + Notes, "GETFILE " + Installer}));
}

TEST_F(UpdateRunTest, NoNewerBuildDownloadsNothing)
{
    server.SetReply("GETBUILD", Installer, ScriptedReply::NumberLine(QByteArray::number(RunningBuild)));
    Run().FormActivate();
    EXPECT_EQ(window.rows,
              QStringList({CheckingLine(), "Build info request sent", "No update available at the moment (b57)"}));
    EXPECT_EQ(window.captions.last(), "No Updates Available");
    EXPECT_EQ(window.positions.last(), 100);
    EXPECT_EQ(Commands(), QStringList{"GETBUILD " + Installer});
    EXPECT_EQ(window.proposals, QStringList());
}

TEST_F(UpdateRunTest, ProgressFollowsEachPieceWithTheRunningCount)
{
    QByteArray big(100000, 'i');
    server.SetReply("GETBUILD", Installer, ScriptedReply::NumberLine("58"));
    server.SetReply("GETFILE", Installer, ScriptedReply::File(big));
    Run().FormActivate();
    ASSERT_EQ(Contents(InstalledPath()).size(), big.size());
    // Positions: 0 at the start, one per piece, 100 at the end.
    const QList<qint64> pieces = window.positions.mid(1, window.positions.size() - 2);
    ASSERT_FALSE(pieces.isEmpty());
    EXPECT_EQ(pieces.last(), big.size());
    qint64 previous = 0;
    for (const qint64 position : pieces) {
        EXPECT_GT(position, previous);
        EXPECT_LE(position - previous, 32768);
        previous = position;
    }
    EXPECT_EQ(window.maxima, QList<qint64>(pieces.size(), big.size()));
    EXPECT_TRUE(window.captions.contains(SizeToText(pieces.first()) + " of " + SizeToText(big.size())));
}

TEST_F(UpdateRunTest, ConnectionErrorsPassOutAndLeaveNothingStale)
{
    struct Row {
        const char* name;
        ScriptedReply build;
        ScriptedReply installer;
        std::string error;
        QByteArray installed;
    };
    const std::vector<Row> rows = {
        {"installer cut short", ScriptedReply::NumberLine("58"), ScriptedReply::ShortFile(10, "abc"),
         "Connection Closed Gracefully.", "abc"},
        {"installer stalls", ScriptedReply::NumberLine("58"), ScriptedReply{"YES\r\n10\r\nab", false},
         "Read timed out.", "ab"},
        {"silent after the installer request", ScriptedReply::NumberLine("58"), ScriptedReply::Silence(),
         "Read timed out.", "<missing>"},
        {"silent during the check", ScriptedReply::Silence(), ScriptedReply::File(InstallerBytes), "Read timed out.",
         "<missing>"},
        {"build not a number", ScriptedReply::NumberLine("5a"), ScriptedReply::File(InstallerBytes),
         "'5a' is not a valid build number", "<missing>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(InstalledPath());
        window.rows.clear();
        server.SetReply("GETBUILD", Installer, row.build);
        server.SetReply("GETFILE", Installer, row.installer);
        EXPECT_EQ(ErrorOf([&] { Run().FormActivate(); }), row.error);
        EXPECT_EQ(Contents(InstalledPath()), row.installed);
        EXPECT_FALSE(Run().Updating());
        EXPECT_FALSE(Run().Client().Connected());
        EXPECT_FALSE(window.rows.isEmpty());  // the log keeps what it had
        EXPECT_EQ(window.started, QStringList());
    }
    // The next run starts on a fresh connection and reads its own reply.
    server.SetReply("GETBUILD", Installer, ScriptedReply::NumberLine("59"));
    EXPECT_TRUE(Run().UpdateAvailable());
}

TEST_F(UpdateRunTest, RefusedConnectionEndsTheRun)
{
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    Run().FormActivate();
    EXPECT_EQ(window.rows, QStringList({QStringLiteral("Checking updates on 127.0.0.1:%1..").arg(port),
                                        "Failed to connect"}));
    EXPECT_EQ(window.captions.mid(window.captions.size() - 2), QStringList({"Update Failed", "Failed to connect"}));
    EXPECT_EQ(window.positions, QList<qint64>{0});
    EXPECT_FALSE(Run().Updating());
}

TEST_F(UpdateRunTest, ActivationsDuringARunStartNothingAndEachLaterOneRunsAfresh)
{
    server.SetReply("GETBUILD", Installer, ScriptedReply::NumberLine("58"));
    server.SetReply("GETFILE", Notes, ScriptedReply::File("notes"));
    server.SetReply("GETFILE", Installer, ScriptedReply::File(InstallerBytes));
    window.answerYes = false;
    int activationsDuringRun = 0;
    window.onEvents = [&] {
        ++activationsDuringRun;
        EXPECT_TRUE(Run().Updating());
        Run().FormActivate();
    };
    Run().FormActivate();
    EXPECT_GT(activationsDuringRun, 3);
    EXPECT_EQ(window.clears, 1);
    EXPECT_EQ(Commands().size(), 3);
    EXPECT_EQ(window.questions.size(), 1);

    window.onEvents = nullptr;
    Run().FormActivate();
    EXPECT_EQ(window.clears, 2);
    EXPECT_EQ(window.rows.first(), CheckingLine());
    EXPECT_EQ(window.rows.count(CheckingLine()), 1);
    EXPECT_EQ(Commands().size(), 6);
}

}  // namespace
