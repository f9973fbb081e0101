#include "util/FileStream.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr quint32 CreateExclusiveReadWrite = FileModeCreate | FileShareExclusive | FileModeOpenReadWrite;

// Hands out the ticks a test scripts, one per call (the last one repeats), and records sleeps.
class ScriptedClock final : public TickClock {
public:
    explicit ScriptedClock(std::deque<quint32> ticks) : ticks_(std::move(ticks)) {}

    quint32 TickCount() override
    {
        const quint32 tick = ticks_.front();
        if (ticks_.size() > 1) {
            ticks_.pop_front();
        }
        return tick;
    }
    void Sleep(quint32 milliseconds) override { sleeps.push_back(milliseconds); }

    std::vector<quint32> sleeps;

private:
    std::deque<quint32> ticks_;
};

class FileStreamTest : public ::testing::Test {
protected:
    QString PathOf(const QString& name) const { return dir_.filePath(name); }

    QString WriteFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(PathOf(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private:
    QTemporaryDir dir_;
};

TEST_F(FileStreamTest, EventsReportTheForcedSizeOrTheFileSize)
{
    const QString path = WriteFile("thousand.bin", QByteArray(1000, 'x'));
    struct Row {
        qint64 forceFileSize;
        qint64 reportedSize;
    };
    for (const Row& row : {Row{-1, 1000}, Row{5000, 5000}, Row{0, 0}}) {
        SCOPED_TRACE(row.forceFileSize);
        TZAF_filestream stream(path, FileModeOpenRead, 0, row.forceFileSize);
        std::vector<qint64> sizes;
        stream.SetOnProgress([&](const QString&, qint64, qint64 size, const QString&) { sizes.push_back(size); });
        char buffer[300];
        EXPECT_EQ(stream.Read(buffer, sizeof buffer), 300);
        EXPECT_EQ(sizes, std::vector<qint64>{row.reportedSize});
    }
}

TEST_F(FileStreamTest, ProgressCountsEachDirectionSeparately)
{
    TZAF_filestream stream(PathOf("both.bin"), CreateExclusiveReadWrite, 0, -1);
    std::vector<qint64> positions;
    stream.SetOnProgress([&](const QString&, qint64 pos, qint64, const QString&) { positions.push_back(pos); });
    stream.Write("abcdef", 6);
    stream.Write("gh", 2);
    stream.Seek(2);
    char buffer[4];
    EXPECT_EQ(stream.Read(buffer, 4), 4);
    EXPECT_EQ(stream.Read(buffer, 4), 2);
    EXPECT_EQ(stream.Read(buffer, 4), 0);  // at the end: a transfer of nothing is still reported
    EXPECT_EQ(positions, (std::vector<qint64>{6, 8, 4, 6, 6}));
    EXPECT_EQ(stream.BytesWritten(), 8);
    EXPECT_EQ(stream.BytesRead(), 6);
}

TEST_F(FileStreamTest, AbortRaisesAfterTheBytesWereTransferredAndCounted)
{
    struct Row {
        bool write;
        const char* message;
    };
    for (const Row& row : {Row{true, "TZAF_filestream: Write aborted."}, Row{false, "TZAF_filestream: Read aborted."}}) {
        SCOPED_TRACE(row.message);
        const QString path = WriteFile("abort.bin", "0123456789");
        qint64 reportedPos = -1;
        std::string error;
        {
            TZAF_filestream stream(path, FileModeOpenReadWrite, 0, -1);
            stream.Seek(10);
            stream.SetOnProgressAbort([&](const QString&, qint64 pos, qint64, const QString&, bool& abort) {
                reportedPos = pos;
                abort = pos >= 7;
            });
            char buffer[4] = {'a', 'b', 'c', 'd'};
            try {
                if (row.write) {
                    stream.Write(buffer, 4);  // 4 bytes: no abort yet
                    stream.Write(buffer, 4);
                } else {
                    stream.Seek(0);
                    stream.Read(buffer, 4);
                    stream.Read(buffer, 4);
                }
            } catch (const FileStreamError& e) {
                error = e.what();
            }
        }
        EXPECT_EQ(error, row.message);
        EXPECT_EQ(reportedPos, 8);
        EXPECT_EQ(ReadFile(path), row.write ? QByteArray("0123456789abcdabcd") : QByteArray("0123456789"));
    }
}

TEST_F(FileStreamTest, RateLimitSleepsForWhatIsLeftOfTheBudget)
{
    struct Row {
        const char* name;
        qint32 bytesPerSecond;
        quint32 before;
        quint32 after;
        std::vector<quint32> sleeps;
    };
    const std::vector<Row> rows = {
        {"ahead of the budget", 1000, 5000, 5100, {400}},
        {"no limit", 0, 5000, 5100, {}},
        {"slower than the budget", 1000, 5000, 5600, {}},
        {"tick counter wraps during the write", 1000, 0xFFFFFFC0u, 0x24u, {400}},
        {"fast limit, budget below a millisecond", 1000000, 5000, 5000, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Ticks: creation, before the write, after it.
        ScriptedClock clock({1, row.before, row.after});
        TZAF_filestream stream(PathOf("paced.bin"), CreateExclusiveReadWrite, row.bytesPerSecond, -1, clock);
        const QByteArray bytes(500, 'p');
        EXPECT_EQ(stream.Write(bytes.constData(), 500), 500);
        EXPECT_EQ(clock.sleeps, row.sleeps);
    }
}

TEST_F(FileStreamTest, DestroyReportsStatisticsAlsoAfterAnAbort)
{
    // Ticks: creation, before the write, destruction (after the counter wrapped).
    ScriptedClock clock({0xFFFFFF00u, 0xFFFFFF00u, 0x100u});
    QString uniqueId;
    QString reported;
    {
        auto stream = std::make_unique<TZAF_filestream>(PathOf("stats.bin"), CreateExclusiveReadWrite, 0, 77,
                                                        uniqueId, clock);
        stream->SetOnDestroy([&](const QString& name, qint64 pos, qint64 size, qint64 read, qint64 written,
                                 double time, const QString& id) {
            reported = QStringLiteral("%1 pos %2 size %3 read %4 written %5 time %6 id %7")
                           .arg(QFileInfo(name).fileName()).arg(pos).arg(size).arg(read).arg(written).arg(time)
                           .arg(id == uniqueId ? "same" : id);
        });
        stream->SetOnProgressAbort([](const QString&, qint64, qint64, const QString&, bool& abort) { abort = true; });
        EXPECT_THROW(stream->Write("hello", 5), FileStreamError);
    }
    EXPECT_EQ(reported, "stats.bin pos 5 size 5 read 0 written 5 time 512 id same");
    bool isNumber = false;
    const qint64 id = uniqueId.toLongLong(&isNumber);
    EXPECT_TRUE(isNumber) << uniqueId.toStdString();
    EXPECT_GE(id, 0);
    EXPECT_LE(id, 2147483646);
}

TEST_F(FileStreamTest, CreateTruncatesAndOpenFailuresRaise)
{
    const QString path = WriteFile("old.bin", "previous contents");
    {
        TZAF_filestream stream(path, CreateExclusiveReadWrite, 0, -1);
        EXPECT_EQ(stream.Size(), 0);
        stream.Write("new", 3);
    }
    EXPECT_EQ(ReadFile(path), QByteArray("new"));

    struct Row {
        QString path;
        quint32 flags;
        const char* messageStart;
    };
    const QString missingFolder = PathOf("no/such/folder/file.bin");
    for (const Row& row : {Row{PathOf("missing.bin"), FileModeOpenRead, "Cannot open file \""},
                           Row{PathOf("missing.bin"), FileModeOpenReadWrite, "Cannot open file \""},
                           Row{missingFolder, CreateExclusiveReadWrite, "Cannot create file \""}}) {
        SCOPED_TRACE(row.path.toStdString());
        try {
            TZAF_filestream stream(row.path, row.flags, 0, -1);
            ADD_FAILURE() << "no error raised";
        } catch (const FileStreamError& e) {
            EXPECT_EQ(QString(e.what()).left(QString(row.messageStart).size()), row.messageStart);
            EXPECT_TRUE(QString(e.what()).contains(row.path));
        }
        EXPECT_FALSE(QFile::exists(row.path));
    }
}

TEST_F(FileStreamTest, SetSizeGrowsAndCutsKeepingThePosition)
{
    TZAF_filestream stream(PathOf("sized.bin"), CreateExclusiveReadWrite, 0, -1);
    stream.Write("abc", 3);
    EXPECT_TRUE(stream.SetSize(10));
    EXPECT_EQ(stream.Size(), 10);
    EXPECT_EQ(stream.Position(), 3);
    stream.Write("de", 2);
    EXPECT_TRUE(stream.SetSize(stream.Position()));
    EXPECT_EQ(stream.Size(), 5);
    EXPECT_EQ(ReadFile(PathOf("sized.bin")), QByteArray("abcde"));
}

}  // namespace
