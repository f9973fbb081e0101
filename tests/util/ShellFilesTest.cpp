#include "util/ShellFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "util/BuildVersion.h"
#include "util/FileMove.h"

#include "TestFiles.h"

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : fName(name), fHad(qEnvironmentVariableIsSet(name)), fOld(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (fHad) {
            qputenv(fName, fOld);
        } else {
            qunsetenv(fName);
        }
    }

private:
    const char* fName;
    bool fHad;
    QByteArray fOld;
};

// A temporary home with its own data folder, so the Trash is the test's own.
class ShellFilesTest : public ::testing::Test {
protected:
    QTemporaryDir fRoot;
    QString fHome = fRoot.path() + "/home";
    QString fDataHome = fRoot.path() + "/data";
    QString fWork = fRoot.path() + "/work";
    ScopedEnv fHomeEnv{"HOME", fHome.toLocal8Bit()};
    ScopedEnv fDataEnv{"XDG_DATA_HOME", fDataHome.toLocal8Bit()};

    void SetUp() override
    {
        ASSERT_TRUE(fRoot.isValid());
        ASSERT_TRUE(QDir().mkpath(fHome));
        ASSERT_TRUE(QDir().mkpath(fWork));
    }

    QString trashFile(const QString& name) const { return fDataHome + "/Trash/files/" + name; }
    QString trashInfo(const QString& name) const { return fDataHome + "/Trash/info/" + name + ".trashinfo"; }
};

}  // namespace

TEST(GetFileVersion, RunningExecutableGivesTheBuildNumbers)
{
    int major = -1, minor = -1, release = -1, build = -1;
    ASSERT_TRUE(GetFileVersion(QFileInfo("/proc/self/exe").canonicalFilePath(), major, minor, release, build));
    const BuildVersion expected = BuildVersion::current();
    EXPECT_EQ(major, expected.major);
    EXPECT_EQ(minor, expected.minor);
    EXPECT_EQ(release, expected.release);
    EXPECT_EQ(build, expected.build);
}

TEST(GetFileVersion, OtherOrMissingFilesLeaveTheValuesUntouched)
{
    QTemporaryDir dir;
    const QString other = dir.path() + "/other";
    writeFile(other, "x");
    for (const QString& name : {other, dir.path() + "/missing", QString()}) {
        int major = 7, minor = 7, release = 7, build = 7;
        EXPECT_FALSE(GetFileVersion(name, major, minor, release, build)) << name.toStdString();
        EXPECT_EQ(major + minor + release + build, 28) << name.toStdString();
    }
}

TEST(GetTempFolder, IsTheTemporaryPathWithOneTrailingSlash)
{
    ScopedEnv tmp("TMPDIR", "/var/tmp/");
    EXPECT_EQ(GetTempFolder(), QStringLiteral("/var/tmp/"));
}

TEST_F(ShellFilesTest, SpecialFoldersFollowTheEnvironment)
{
    EXPECT_EQ(GetSpecialFolder(kSpecialFolderUserData), fDataHome);
    {
        ScopedEnv slash("XDG_DATA_HOME", (fDataHome + "/").toLocal8Bit());
        EXPECT_EQ(GetSpecialFolder(kSpecialFolderUserData), fDataHome);
    }
    {
        ScopedEnv relative("XDG_DATA_HOME", "relative/share");
        EXPECT_EQ(GetSpecialFolder(kSpecialFolderUserData), fHome + "/.local/share");
    }
    {
        ScopedEnv empty("XDG_DATA_HOME", "");
        EXPECT_EQ(GetSpecialFolder(kSpecialFolderUserData), fHome + "/.local/share");
    }
    EXPECT_EQ(GetSpecialFolder(kSpecialFolderDocuments), fHome);  // no Documents folder yet
    ASSERT_TRUE(QDir().mkpath(fHome + "/Documents"));
    EXPECT_EQ(GetSpecialFolder(kSpecialFolderDocuments), fHome + "/Documents");
    EXPECT_EQ(GetSpecialFolder(kSpecialFolderCommonData), QStringLiteral("/var/lib"));
    EXPECT_EQ(GetSpecialFolder(0), QString());
    EXPECT_EQ(GetSpecialFolder(36), QString());
}

TEST_F(ShellFilesTest, DeleteWithUndoPutsTheFileAndItsInfoInTheTrash)
{
    const QString original = fWork + "/change notes 100%.txt";
    writeFile(original, "notes");

    ASSERT_TRUE(ShellDeleteFile(original, false, false, true));

    EXPECT_FALSE(QFileInfo::exists(original));
    EXPECT_EQ(readFile(trashFile("change notes 100%.txt")), QByteArray("notes"));
    const QString info = QString::fromUtf8(readFile(trashInfo("change notes 100%.txt")));
    const QString encodedPath = QString::fromUtf8(QFile::encodeName(fWork)) + "/change%20notes%20100%25.txt";
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + encodedPath + "\n")) << info.toStdString();
    EXPECT_TRUE(QRegularExpression("\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$").match(info).hasMatch())
        << info.toStdString();
}

TEST_F(ShellFilesTest, DeletedFilesOfTheSameNameGetNumberedTrashNames)
{
    const QString original = fWork + "/notes.txt";
    const QByteArray contents[] = {"first", "second", "third"};
    for (const QByteArray& content : contents) {
        writeFile(original, content);
        ASSERT_TRUE(ShellDeleteFile(original, false, false, true));
    }
    writeFile(fWork + "/README", "plain");
    ASSERT_TRUE(ShellDeleteFile(fWork + "/README", false, false, true));
    writeFile(fWork + "/README", "plain again");
    ASSERT_TRUE(ShellDeleteFile(fWork + "/README", false, false, true));

    EXPECT_EQ(readFile(trashFile("notes.txt")), QByteArray("first"));
    EXPECT_EQ(readFile(trashFile("notes.2.txt")), QByteArray("second"));
    EXPECT_EQ(readFile(trashFile("notes.3.txt")), QByteArray("third"));
    EXPECT_TRUE(QFileInfo::exists(trashInfo("notes.3.txt")));
    EXPECT_EQ(readFile(trashFile("README.2")), QByteArray("plain again"));
}

TEST_F(ShellFilesTest, DeleteWithoutUndoRemovesForGood)
{
    const QString original = fWork + "/photo.jpg";
    writeFile(original, "jpeg");
    const QString dangling = fWork + "/dangling";
    ASSERT_TRUE(QFile::link(fWork + "/nowhere", dangling));

    EXPECT_TRUE(ShellDeleteFile(original, false, false, false));
    EXPECT_TRUE(ShellDeleteFile(dangling, false, false, false));

    EXPECT_FALSE(QFileInfo::exists(original));
    EXPECT_FALSE(QFileInfo(dangling).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(fDataHome + "/Trash/files/photo.jpg"));
}

TEST_F(ShellFilesTest, DeletingAMissingFileFailsAndCreatesNoTrash)
{
    for (const bool allowUndo : {true, false}) {
        EXPECT_FALSE(ShellDeleteFile(fWork + "/missing.txt", false, false, allowUndo));
    }
    EXPECT_FALSE(ShellDeleteFile(QString(), false, false, true));
    EXPECT_FALSE(QFileInfo::exists(fDataHome + "/Trash"));
}

TEST_F(ShellFilesTest, MoveReplacesTheTargetOrFillsAFolder)
{
    struct Case {
        const char* name;
        bool targetExists;
        bool targetIsFolder;
    };
    const Case cases[] = {
        {"new target", false, false},
        {"replaces an existing file", true, false},
        {"into an existing folder", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString from = fWork + "/Corvale.zwb";
        writeFile(from, "data file");
        const QString folder = fWork + "/target";
        QDir(folder).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(folder));
        QString to = folder + "/Corvale.zwb";
        if (c.targetExists) {
            writeFile(to, "older, longer contents");
        }
        const QString moveTo = c.targetIsFolder ? folder : to;

        EXPECT_TRUE(ShellMoveFile(from, moveTo, false, false, false));

        EXPECT_FALSE(QFileInfo::exists(from));
        EXPECT_EQ(readFile(to), QByteArray("data file"));
    }
}

TEST_F(ShellFilesTest, MoveFailsWithoutASourceOrATargetFolder)
{
    writeFile(fWork + "/a", "a");
    EXPECT_FALSE(ShellMoveFile(fWork + "/missing", fWork + "/b", false, false, false));
    EXPECT_FALSE(ShellMoveFile(fWork + "/a", fWork + "/no/such/folder/b", false, false, false));
    EXPECT_FALSE(ShellMoveFile(fWork + "/a", fWork + "/a", false, false, false));
    EXPECT_EQ(readFile(fWork + "/a"), QByteArray("a"));
}

TEST_F(ShellFilesTest, MoveAcrossFileSystemsCopiesAndRemovesTheOriginal)
{
    QTemporaryDir memory("/dev/shm/corvale-move-XXXXXX");
    struct stat here, there;
    if (!memory.isValid() || stat(QFile::encodeName(fWork).constData(), &here) != 0 ||
        stat(QFile::encodeName(memory.path()).constData(), &there) != 0 || here.st_dev == there.st_dev) {
        GTEST_SKIP() << "no second file system to move across";
    }
    const QString from = memory.path() + "/installer.bin";
    writeFile(from, QByteArray(3 << 20, 'x'));
    QFile::setPermissions(from, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString to = fWork + "/installer.bin";
    writeFile(to, "old");

    ASSERT_TRUE(moveFileReplacing(from, to));

    EXPECT_FALSE(QFileInfo::exists(from));
    EXPECT_EQ(readFile(to), QByteArray(3 << 20, 'x'));
    EXPECT_TRUE(QFileInfo(to).isExecutable());
    EXPECT_EQ(QDir(fWork).entryList(QDir::Files), QStringList{"installer.bin"});  // no leftovers
}
