#include "util/FileUtils.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <thread>

#include <fcntl.h>
#include <stdio.h>

#include "util/DayDate.h"

#include "TestFiles.h"

namespace {

class DataHome {
public:
    explicit DataHome(const QString& path) : fOld(qgetenv("XDG_DATA_HOME")) { qputenv("XDG_DATA_HOME", path.toLocal8Bit()); }
    ~DataHome() { qputenv("XDG_DATA_HOME", fOld); }

private:
    QByteArray fOld;
};

}  // namespace

TEST(ChangeExtension, ReplacesOnlyTheExtensionOfTheFileName)
{
    struct Case {
        const char* fileName;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = {
        {"report.old.txt", "csv", "report.old.csv"},
        {"notes", ".txt", "notes.txt"},
        {"photo.jpg", "", "photo"},
        {"archive", "zip", "archive.zip"},
        {"/home/u/.config/notes", "txt", "/home/u/.config/notes.txt"},  // a dot in a folder is no extension
        {"a.b/c.d", "", "a.b/c"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChangeExtension(c.fileName, c.extension), QString(c.expected)) << c.fileName << " + " << c.extension;
    }
}

TEST(AppDataFolder, JoinsTheDataFolderTheSubFolderAndTheApplicationName)
{
    QTemporaryDir root;
    const QString data = root.path() + "/data";
    DataHome home(data);

    EXPECT_EQ(AppDataFolder("Corvale", "", true, false), data + "/Corvale");
    EXPECT_EQ(AppDataFolder("", "", true, false), data);
    EXPECT_EQ(AppDataFolder("", "Shared/", true, false), data + "/Shared/");
    EXPECT_EQ(AppDataFolder("Corvale", "", false, false), QStringLiteral("/var/lib/Corvale"));
    EXPECT_FALSE(QFileInfo::exists(data));

    const QString created = AppDataFolder("/opt/corvale/corvale-server.bin", "Tidewell", true, true);
    EXPECT_EQ(created, data + "/Tidewell/corvale-server");
    EXPECT_TRUE(QFileInfo(created).isDir());
}

TEST(AppDataFolder, AFolderThatCannotBeCreatedRaises)
{
    QTemporaryDir root;
    writeFile(root.path() + "/data", "a file where the folder should be");
    DataHome home(root.path() + "/data");
    EXPECT_THROW(AppDataFolder("Corvale", "", true, true), FolderCreateError);
}

TEST(FileTimeOf, GivesTheLastWriteTimeInEvenSecondsOrZero)
{
    QTemporaryDir root;
    const QString path = root.path() + "/Corvale.zwb";
    writeFile(path, "x");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2026, 3, 4), QTime(10, 20, 31, 700)), QFileDevice::FileModificationTime));
    file.close();
    const double expected = dayNumberFromDateTime(QDateTime(QDate(2026, 3, 4), QTime(10, 20, 30)));

    EXPECT_EQ(FileTimeOf(path), expected);
    EXPECT_EQ(FileTimeOf(root.path() + "/*.zwb"), expected);
    EXPECT_EQ(FileTimeOf(root.path() + "/Corvale.zw?"), expected);
    EXPECT_GT(FileTimeOf(root.path()), 0.0);  // folders match too
    EXPECT_EQ(FileTimeOf(root.path() + "/missing.zwb"), 0.0);
    EXPECT_EQ(FileTimeOf(root.path() + "/*.csv"), 0.0);
    EXPECT_EQ(FileTimeOf(QString()), 0.0);
}

TEST(LoadLinesRetrying, ReadsEveryLineEndAndEncoding)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {"CR LF", "one\r\ntwo\r\n", {"one", "two"}},
        {"LF and CR alone", "one\ntwo\rthree", {"one", "two", "three"}},
        {"empty lines kept", "\r\n\r\nx\r\n", {"", "", "x"}},
        {"empty file", "", {}},
        {"Windows-1252", "K\xe4py \x80\r\n", {"K\u00e4py \u20ac"}},
        {"UTF-8 mark", "\xEF\xBB\xBF" "K\xC3\xA4py\r\n", {"K\u00e4py"}},
        {"UTF-16 mark", QByteArray("\xFF\xFEK\0\xE4\0\r\0\n\0", 10), {"K\u00e4"}},
    };
    QTemporaryDir root;
    for (const Case& c : cases) {
        const QString path = root.path() + "/lines.txt";
        writeFile(path, c.bytes);
        QStringList lines{"stale"};
        EXPECT_TRUE(LoadLinesRetrying(path, lines, false, 0)) << c.name;
        EXPECT_EQ(lines, c.lines) << c.name;
    }
}

TEST(LoadLinesRetrying, FailsForMissingOrUnreadableFiles)
{
    QTemporaryDir root;
    QStringList lines;
    EXPECT_FALSE(LoadLinesRetrying(root.path() + "/missing", lines, true, -1));  // no waiting for nothing
    const QString unreadable = root.path() + "/folder";
    ASSERT_TRUE(QDir().mkpath(unreadable));
    EXPECT_FALSE(LoadLinesRetrying(unreadable, lines, false, 0));
    EXPECT_FALSE(LoadLinesRetrying(unreadable, lines, true, 100));
}

TEST(LoadLinesRetrying, WaitsUntilTheFileCanBeRead)
{
    QTemporaryDir root;
    const QString path = root.path() + "/Corvale.zwb";
    ASSERT_TRUE(QDir().mkpath(path));  // unreadable as a file until it is replaced
    const QString ready = root.path() + "/ready";
    writeFile(ready, "ready\r\n");
    std::thread replacer([&] {
        QThread::msleep(700);  // after the first series of attempts has failed
        // Swapped in one step, so the file never looks missing.
        renameat2(AT_FDCWD, QFile::encodeName(ready).constData(), AT_FDCWD, QFile::encodeName(path).constData(),
                  RENAME_EXCHANGE);
    });
    QStringList lines;
    const bool loaded = LoadLinesRetrying(path, lines, true, 30000);
    replacer.join();
    EXPECT_TRUE(loaded);
    EXPECT_EQ(lines, QStringList{"ready"});
}

TEST(LoadLinesRetrying, StopsWaitingWhenTheFileDisappears)
{
    QTemporaryDir root;
    const QString path = root.path() + "/Corvale.zwb";
    ASSERT_TRUE(QDir().mkpath(path));
    std::thread remover([&] {
        QThread::msleep(200);
        QDir(path).removeRecursively();
    });
    QStringList lines;
    EXPECT_FALSE(LoadLinesRetrying(path, lines, true, -1));
    remover.join();
}

TEST(SaveLinesRetrying, WritesWindows1252LinesEachEndedByCrLf)
{
    QTemporaryDir root;
    const QString path = root.path() + "/Corvale.zwb";
    writeFile(path, "a much longer older content\r\nthat must not survive\r\n");

    ASSERT_TRUE(SaveLinesRetrying(path, {"K\u00e4py \u20ac", "", "\u4e2d"}));

    EXPECT_EQ(readFile(path), QByteArray("K\xe4py \x80\r\n\r\n?\r\n"));
    EXPECT_EQ(QDir(root.path()).entryList(QDir::Files), QStringList{"Corvale.zwb"});  // no temporary left
    ASSERT_TRUE(SaveLinesRetrying(path, {}));
    EXPECT_EQ(readFile(path), QByteArray());
}

TEST(SaveLinesRetrying, FailsWhenTheFolderIsMissing)
{
    QTemporaryDir root;
    EXPECT_FALSE(SaveLinesRetrying(root.path() + "/no/such/folder/file.txt", {"x"}));
}
