#include "util/LogFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <thread>

#include "util/DayDate.h"
#include "util/LocaleFormats.h"

#include "TestFiles.h"

namespace {

// A log in a temporary folder with pinned formats and a clock that advances one second per
// line, so every time stamp is known: "2026-12-11 10:00:01> ..." for the first line.
class LogFileTest : public ::testing::Test {
protected:
    QTemporaryDir fFolder;
    QString fPath = fFolder.path() + "/server.log";
    ScopedLocaleFormats fFormats{LocaleFormats{"yyyy-MM-dd", "HH:mm:ss", QLatin1Char('.')}};
    QDateTime fNow{QDate(2026, 12, 11), QTime(10, 0, 0)};
    QStringList fMessages;
    TZAF_LogFile fLog;

    void SetUp() override
    {
        ASSERT_TRUE(fFolder.isValid());
        fLog.SetClock([this] {
            fNow = fNow.addSecs(1);
            return fNow;
        });
        fLog.SetMessageSink([this](const QString& message) { fMessages << message; });
    }

    static QByteArray stamped(int second, const char* text)
    {
        return QStringLiteral("2026-12-11 10:00:%1> %2\r\n").arg(second, 2, 10, QLatin1Char('0')).arg(text).toLatin1();
    }
};

}  // namespace

TEST_F(LogFileTest, WithoutAFileOnlyTheLastMessageIsKept)
{
    QStringList afterLog;
    fLog.AfterLog = [&](TZAF_LogFile&, const QString& Txt) { afterLog << Txt; };
    fLog.Add("first");
    fLog.Add("second");

    EXPECT_EQ(fLog.LineCount(), 0);
    QStringList lines{"stale"};
    fLog.Lines(lines);
    EXPECT_EQ(lines, QStringList());
    EXPECT_FALSE(fLog.LogFileOpen());
    EXPECT_EQ(fLog.LastMessage(), QStringLiteral("second"));
    EXPECT_EQ(dateTimeFromDayNumber(fLog.LastTime()), fNow);
    EXPECT_EQ(afterLog, (QStringList{"2026-12-11 10:00:01> first", "2026-12-11 10:00:02> second"}));
}

TEST_F(LogFileTest, EmptyTextsAndSuppressedLinesChangeNothing)
{
    int onLogCalls = 0;
    int afterLogCalls = 0;
    fLog.OnLog = [&](TZAF_LogFile&, QString& Txt) {
        ++onLogCalls;
        if (Txt.startsWith("secret")) {
            Txt.clear();
        } else {
            Txt = "[" + Txt + "]";
        }
    };
    fLog.AfterLog = [&](TZAF_LogFile&, const QString&) { ++afterLogCalls; };
    fLog.Add("kept");
    const double keptTime = fLog.LastTime();

    fLog.Add("");
    EXPECT_EQ(onLogCalls, 1);
    fLog.Add("secret password");

    EXPECT_EQ(onLogCalls, 2);
    EXPECT_EQ(afterLogCalls, 1);
    EXPECT_EQ(fLog.LastMessage(), QStringLiteral("[kept]"));
    EXPECT_EQ(fLog.LastTime(), keptTime);
}

TEST_F(LogFileTest, PropertiesIgnoreANegativeLimitAndStampMidnightWithTheDateOnly)
{
    fLog.SetMaxLines(3);
    fLog.SetMaxLines(-1);
    EXPECT_EQ(fLog.MaxLines(), 3);

    QString seen;
    fLog.AfterLog = [&](TZAF_LogFile&, const QString& Txt) { seen = Txt; };
    fLog.SetClock([] { return QDateTime(QDate(2026, 12, 12), QTime(0, 0)); });
    fLog.Add("midnight");
    EXPECT_EQ(seen, QStringLiteral("2026-12-12> midnight"));

    fLog.SetTimeStamp(false);
    fLog.Add("plain");
    EXPECT_EQ(seen, QStringLiteral("plain"));
}

TEST_F(LogFileTest, WithoutALimitEachLineIsAppendedAtOnce)
{
    writeFile(fPath, "earlier line\r\n");
    fLog.SetFilename(fPath);
    fLog.Add("K\u00e4py \u20ac");
    EXPECT_EQ(readFile(fPath), QByteArray("earlier line\r\n") + QByteArray("2026-12-11 10:00:01> K\xe4py \x80\r\n"));
    fLog.Add("second");
    EXPECT_EQ(readFile(fPath), "earlier line\r\n" + QByteArray("2026-12-11 10:00:01> K\xe4py \x80\r\n") + stamped(2, "second"));
    EXPECT_EQ(fLog.LineCount(), 3);
}

TEST_F(LogFileTest, AFileEndingInsideALineGetsItsLineEndFirst)
{
    writeFile(fPath, "unfinished");
    fLog.SetFilename(fPath);
    fLog.Add("next");
    EXPECT_EQ(readFile(fPath), "unfinished\r\n" + stamped(1, "next"));
}

TEST_F(LogFileTest, AFileWithAByteOrderMarkKeepsItsEncoding)
{
    writeFile(fPath, "\xEF\xBB\xBF" "caf\xC3\xA9\r\n");
    fLog.SetFilename(fPath);
    fLog.Add("\u00e9t\u00e9");
    EXPECT_EQ(readFile(fPath), "\xEF\xBB\xBF" "caf\xC3\xA9\r\n" + QByteArray("2026-12-11 10:00:01> \xC3\xA9t\xC3\xA9\r\n"));
    fLog.SetMaxLines(1);
    fLog.Add("\u00e0 bient\u00f4t");
    fLog.Save();
    EXPECT_EQ(readFile(fPath), "\xEF\xBB\xBF" + QByteArray("2026-12-11 10:00:02> \xC3\xA0 bient\xC3\xB4t\r\n"));
}

TEST_F(LogFileTest, RollingWindowKeepsTheNewestLinesAtSave)
{
    fLog.SetMaxLines(3);
    fLog.SetFilename(fPath);
    for (const char* text : {"one", "two", "three", "four", "five"}) {
        fLog.Add(text);
    }
    EXPECT_EQ(readFile(fPath), QByteArray());  // written by the flush, not line by line
    fLog.Save();
    EXPECT_EQ(readFile(fPath), stamped(3, "three") + stamped(4, "four") + stamped(5, "five"));
    EXPECT_EQ(fLog.LineCount(), 3);

    fLog.CloseLogFile();
    EXPECT_FALSE(fLog.LogFileOpen());
    fLog.Add("six");  // reopens and loads the file
    fLog.Save();
    EXPECT_EQ(readFile(fPath), stamped(4, "four") + stamped(5, "five") + stamped(6, "six"));
}

TEST_F(LogFileTest, UpdatingTheSameTextReplacesTheLastLine)
{
    fLog.SetFilename(fPath);
    fLog.Add("waiting");
    fLog.Add("waiting", true);

    EXPECT_EQ(fMessages, QStringList{"Replacing last!"});
    EXPECT_EQ(readFile(fPath), stamped(2, "waiting"));
    EXPECT_EQ(fLog.LineCount(), 1);

    fLog.Add("Waiting", true);  // case matters: a new line
    fLog.Add("waiting", false);
    EXPECT_EQ(readFile(fPath), stamped(2, "waiting") + stamped(3, "Waiting") + stamped(4, "waiting"));
    EXPECT_EQ(fMessages.size(), 1);
}

TEST_F(LogFileTest, UpdatingNeverReplacesALineOfAnotherFile)
{
    const QString other = fFolder.path() + "/other.log";
    writeFile(other, "someone else's line\r\n");
    fLog.SetFilename(fPath);
    fLog.Add("status");
    fLog.SetFilename(other);
    fLog.Add("status", true);
    EXPECT_EQ(readFile(other), "someone else's line\r\n" + stamped(2, "status"));
    EXPECT_EQ(fMessages, QStringList());
}

TEST_F(LogFileTest, ChangingTheNameDropsUnwrittenLinesAndClearDeletesTheFile)
{
    fLog.SetMaxLines(5);
    fLog.SetFilename(fPath);
    fLog.Add("never written");
    fLog.SetFilename(fFolder.path() + "/next.log");
    EXPECT_EQ(readFile(fPath), QByteArray());

    fLog.Add("written");
    fLog.Save();
    EXPECT_TRUE(QFile::exists(fFolder.path() + "/next.log"));
    fLog.Clear(false);
    EXPECT_FALSE(QFile::exists(fFolder.path() + "/next.log"));
    EXPECT_EQ(fLog.LastMessage(), QString());
    EXPECT_EQ(fLog.LastTime(), 0.0);
}

TEST_F(LogFileTest, AFullLogRotatesToTheNameTheHandlerGives)
{
    const QString rotated = fFolder.path() + "/server.2.log";
    writeFile(rotated, "stale contents\r\n");
    fLog.SetMaxLines(2);
    fLog.SetFilename(fPath);
    fLog.OnLogFull = [&](TZAF_LogFile&, QString& ALogFilename) { ALogFilename = rotated; };
    for (const char* text : {"one", "two", "three"}) {
        fLog.Add(text);
    }

    EXPECT_EQ(readFile(fPath), stamped(1, "one") + stamped(2, "two") + stamped(3, "three"));
    EXPECT_FALSE(QFile::exists(rotated));
    EXPECT_FALSE(fLog.LogFileOpen());
    EXPECT_EQ(fLog.Filename(), rotated);
    EXPECT_EQ(fLog.LastMessage(), QString());

    fLog.Add("four");
    fLog.Save();
    EXPECT_EQ(readFile(rotated), stamped(4, "four"));
}

TEST_F(LogFileTest, AFullLogWithAnUnchangedNameDropsItsOldestLines)
{
    int fullCalls = 0;
    fLog.SetMaxLines(1);
    fLog.SetFilename(fPath);
    fLog.OnLogFull = [&](TZAF_LogFile&, QString&) { ++fullCalls; };
    fLog.Add("one");
    fLog.Add("two");
    fLog.Save();
    EXPECT_EQ(fullCalls, 1);
    EXPECT_EQ(readFile(fPath), stamped(2, "two"));
}

TEST_F(LogFileTest, TheFileIsNotSharedWithASecondLog)
{
    fLog.SetFilename(fPath);
    fLog.Add("first owner");
    TZAF_LogFile second;
    second.SetFilename(fPath);
    second.Add("intruder");
    EXPECT_FALSE(second.LogFileOpen());
    EXPECT_EQ(second.LastMessage(), QStringLiteral("intruder"));
    EXPECT_EQ(readFile(fPath), stamped(1, "first owner"));
}

TEST_F(LogFileTest, ANameThatCannotBeOpenedLeavesTheLogWorking)
{
    for (const QString& name : {fFolder.path(), QStringLiteral("/dev/zero"), fFolder.path() + "/no/such/folder/x.log"}) {
        fLog.SetFilename(name);
        fLog.Add("still logged " + name);
        EXPECT_FALSE(fLog.LogFileOpen()) << name.toStdString();
        EXPECT_EQ(fLog.LastMessage(), "still logged " + name);
    }
}

TEST_F(LogFileTest, TwoThreadsAddingAtOnceGiveWholeLines)
{
    constexpr int kLinesPerThread = 500;
    fLog.SetClock([] { return QDateTime(QDate(2026, 12, 11), QTime(10, 0, 0)); });
    fLog.SetFilename(fPath);
    const QString padding(200, QLatin1Char('x'));
    auto writer = [&](char name) {
        for (int n = 0; n < kLinesPerThread; ++n) {
            fLog.Add(QStringLiteral("%1 %2 %3").arg(QLatin1Char(name)).arg(n).arg(padding));
        }
    };
    std::thread first(writer, 'a');
    std::thread second(writer, 'b');
    first.join();
    second.join();

    const QStringList lines = QString::fromLatin1(readFile(fPath)).split("\r\n");
    ASSERT_EQ(lines.size(), 2 * kLinesPerThread + 1);
    EXPECT_EQ(lines.last(), QString());
    const QRegularExpression whole("^2026-12-11 10:00:00> [ab] \\d+ " + padding + "$");
    QSet<QString> distinct;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        ASSERT_TRUE(whole.match(lines[i]).hasMatch()) << lines[i].toStdString();
        distinct.insert(lines[i]);
    }
    EXPECT_EQ(distinct.size(), 2 * kLinesPerThread);
}
