#include "workbook/Workbook.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "util/DayDate.h"
#include "util/TextUtils.h"
#include "WorkbookTestSupport.h"
#include "workbook/DataFileIo.h"
#include "workbook/WorkbookError.h"

#include "TestFiles.h"

namespace {

QByteArray crlfLines(const QList<QByteArray>& lines)
{
    QByteArray bytes;
    for (const QByteArray& line : lines) {
        bytes += line + "\r\n";
    }
    return bytes;
}

class WorkbookFile : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("Corvale.zwb")) const { return folder.filePath(name); }

    QTemporaryDir folder;
    ScopedLocaleFormats formats{pointLocaleFormats()};
};

TEST_F(WorkbookFile, NewWorkbookOfOneColumnSavesNineLines)
{
    TZAF_workbook workbook;
    workbook.SetColumns(1);
    workbook.SetModified(40809.73030005787);
    ASSERT_TRUE(workbook.SaveWorkbook(path()));
    EXPECT_EQ(readFile(path()), crlfLines({"TZAFWORKBOOKHEADER1007", "bm9ib2R5", "39704,3815502778", "dW5rbm93bg",
                                            "40809,7303000579", "1", "0", "1", "0"}));
    EXPECT_EQ(workbook.Document(), path());
    EXPECT_EQ(workbook.Modified(), 0.0);

    // A save with no change in between records that nothing changed.
    ASSERT_TRUE(workbook.SaveWorkbook(QString()));
    EXPECT_TRUE(readFile(path()).contains("\r\ndW5rbm93bg\r\n0\r\n1\r\n"));
}

TEST_F(WorkbookFile, CellsFollowColumnByColumn)
{
    TZAF_workbook workbook;
    workbook.SetColumns(2);
    fillRows(workbook, {{"A", "B"}});
    workbook.SetRows(2);  // an empty row: empty lines
    ASSERT_TRUE(workbook.SaveWorkbook(path()));
    const QList<QByteArray> lines = readFile(path()).split('\n');
    ASSERT_EQ(lines.size(), 14);  // 13 lines and what follows the last line end
    EXPECT_EQ(lines.mid(7), QList<QByteArray>({"2\r", "2\r", "QQ\r", "\r", "Qg\r", "\r", ""}));
}

TEST_F(WorkbookFile, TwoPagesRoundTripWithTheirProperties)
{
    TZAF_workbook saved;
    saved.SetAuthor(QStringLiteral("\u00c5sa \u00d6berg"));
    saved.SetEditor(QStringLiteral("caf\u00e9 \u20ac 100%"));
    saved.SetColumns(2);
    fillRows(saved, {{"a", "b"}, {"", "d"}, {"e", ""}});
    saved.SetPages(2);
    saved.SetPage(1);
    saved.SetColumns(3);
    fillRows(saved, {{"x", "\u00e9t\u00e9", "line\ttab"}});
    saved.SetCreated(39704.38155027778);
    saved.SetModified(45000.5);
    ASSERT_TRUE(saved.SaveWorkbook(path()));

    TZAF_workbook opened;
    ASSERT_TRUE(opened.OpenWorkbook(path()));
    EXPECT_EQ(opened.Document(), path());
    EXPECT_EQ(opened.Pages(), 2);
    EXPECT_EQ(opened.Page(), 1);
    EXPECT_EQ(rowTexts(opened), QStringList({"x|\u00e9t\u00e9|line\ttab|"}));
    opened.SetPage(0);
    EXPECT_EQ(rowTexts(opened), QStringList({"a|b|", "|d|", "e||"}));
    EXPECT_EQ(opened.Author(), QStringLiteral("\u00c5sa \u00d6berg"));
    EXPECT_EQ(opened.Editor(), QStringLiteral("caf\u00e9 \u20ac 100%"));
    EXPECT_NEAR(opened.Created(), 39704.38155027778, 1e-9);
    // The file holds the time of the last change; the save reset it only afterwards.
    EXPECT_EQ(opened.Modified(), 45000.5);
    EXPECT_EQ(saved.Modified(), 0.0);
}

TEST_F(WorkbookFile, TextsOutsideTheCodePageComeBackReplaced)
{
    TZAF_workbook workbook;
    fillRows(workbook, {{"\u03a9mega", "\u00c5 \u00e9 \u20ac"}});
    ASSERT_TRUE(workbook.SaveWorkbook(path()));
    ASSERT_TRUE(workbook.OpenWorkbook(path()));
    EXPECT_EQ(workbook.GetCellAsString(0, 0), QStringLiteral("?mega"));
    EXPECT_EQ(workbook.GetCellAsString(1, 0), QStringLiteral("\u00c5 \u00e9 \u20ac"));
}

TEST_F(WorkbookFile, SaveWithoutAnyFileName)
{
    TZAF_workbook workbook;
    EXPECT_FALSE(workbook.SaveWorkbook(QString()));
    EXPECT_FALSE(workbook.SaveWorkbook_O(QString()));
    workbook.SetAllowExceptions(true);
    try {
        workbook.SaveWorkbook(QString());
        ADD_FAILURE() << "no exception";
    } catch (const WorkbookError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("No filename defined."));
    }
    EXPECT_NO_THROW(workbook.SaveWorkbook_O(QString()));
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST_F(WorkbookFile, EachReaderTakesOnlyItsOwnVersion)
{
    TZAF_workbook saved;
    saved.SetColumns(2);
    fillRows(saved, {{"A", "B"}});
    saved.SetModified(45000.5);
    ASSERT_TRUE(saved.SaveWorkbook_O(path()));
    EXPECT_EQ(readFile(path()), crlfLines({"TZAFWORKBOOKHEADER1006", "bm9ib2R5", "39704.3815502778", "dW5rbm93bg",
                                            "45000.5", "1", "0", "0", "2", "1", "QQ", "0", "Qg", "0"}));

    TZAF_workbook opened;
    opened.SetAuthor(QStringLiteral("before"));
    EXPECT_FALSE(opened.OpenWorkbook(path()));
    EXPECT_FALSE(opened.OpenWorkbook_O2(path()));
    EXPECT_EQ(opened.Author(), QStringLiteral("before"));
    EXPECT_EQ(opened.Document(), QString());
    ASSERT_TRUE(opened.OpenWorkbook_O(path()));
    EXPECT_EQ(rowTexts(opened), QStringList({"A|B|"}));
    EXPECT_EQ(opened.Document(), path());
    EXPECT_EQ(opened.Modified(), 45000.5);
}

TEST_F(WorkbookFile, OldestVersionIsReadByLinePosition)
{
    const QByteArray oldest = crlfLines({"TZAFWORKBOOKHEADER1005", "bm9ib2R5", "not a date", "dW5rbm93bg", "40000.5",
                                         "1", "x", "x", "x", "0", "0", "2", "1", "", "QQ", "", "", "", "", "Qg", "",
                                         "", ""});
    writeFile(path(), oldest);
    TZAF_workbook workbook;
    ASSERT_TRUE(workbook.OpenWorkbook_O2(path()));
    EXPECT_EQ(rowTexts(workbook), QStringList({"A|B|"}));
    EXPECT_EQ(workbook.Created(), 39704.38155027778);  // not a number: kept
    EXPECT_EQ(workbook.Modified(), 40000.5);

    QByteArray wrongIndex = oldest;
    wrongIndex.replace("x\r\n0\r\n0\r\n2", "x\r\n0\r\n1\r\n2");
    writeFile(path(), wrongIndex);
    EXPECT_FALSE(workbook.OpenWorkbook_O2(path()));
    writeFile(path(), oldest.left(oldest.size() - 4));  // cut inside the last cell
    EXPECT_FALSE(workbook.OpenWorkbook_O2(path()));
}

TEST_F(WorkbookFile, FailedOpensChangeNothingAndRaiseOneMessage)
{
    writeFile(path(QStringLiteral("wrong.zwb")), crlfLines({"tzafworkbookheader1007", "", "1", "", "1", "1", "0"}));
    TZAF_workbook workbook;
    fillRows(workbook, {{"kept"}});
    ASSERT_TRUE(workbook.SaveWorkbook(path()));
    for (const QString& name : {QStringLiteral("missing.zwb"), QStringLiteral("wrong.zwb")}) {
        SCOPED_TRACE(name.toStdString());
        workbook.SetAllowExceptions(false);
        EXPECT_FALSE(workbook.OpenWorkbook(path(name)));
        EXPECT_EQ(workbook.GetCellAsString(0, 0), QStringLiteral("kept"));
        EXPECT_EQ(workbook.Document(), path());
        workbook.SetAllowExceptions(true);
        try {
            workbook.OpenWorkbook(path(name));
            ADD_FAILURE() << "no exception";
        } catch (const WorkbookError& error) {
            EXPECT_EQ(error.message(), QStringLiteral("Exception occured."));
        }
        EXPECT_NO_THROW(workbook.OpenWorkbook_O(path(name)));
    }
}

TEST_F(WorkbookFile, ShortFileOpensWithEmptyPages)
{
    const QByteArray cut = crlfLines({"TZAFWORKBOOKHEADER1007", "", "", "", "", "2", "1"});
    writeFile(path(), cut);
    TZAF_workbook workbook;
    ASSERT_TRUE(workbook.OpenWorkbook(path()));
    EXPECT_EQ(workbook.Pages(), 2);
    EXPECT_EQ(workbook.Page(), 1);
    EXPECT_EQ(workbook.Columns(), 0);
    EXPECT_EQ(workbook.Rows(), 0);
    EXPECT_EQ(workbook.Author(), QString());
    EXPECT_EQ(workbook.Created(), 39704.38155027778);  // empty is no number: kept

    // A file cut inside the cells fills the rest with empty cells.
    writeFile(path(), crlfLines({"TZAFWORKBOOKHEADER1007", "", "", "", "", "1", "0", "2", "2", "QQ"}));
    ASSERT_TRUE(workbook.OpenWorkbook(path()));
    EXPECT_EQ(rowTexts(workbook), QStringList({"A||", "||"}));

    TZAF_workbook strict;
    strict.SetAllowExceptions(true);
    EXPECT_THROW(strict.OpenWorkbook(path()), WorkbookError);
}

TEST_F(WorkbookFile, CountsAndDatesAsTheCurrentReaderReadsThem)
{
    struct Case {
        const char* name;
        QList<QByteArray> lines;
        bool opens;
        int pages;
        double created;
    };
    const double kept = 39704.38155027778;
    const std::vector<Case> cases = {
        {"a count with trailing text reads its leading number", {"1x", "0", "1", "0"}, true, 1, kept},
        {"text without a number reads as 0", {"many", "0"}, true, 0, kept},
        {"more than 511 pages", {"600", "0"}, true, 600, kept},
        {"a negative count", {"-1", "0"}, false, 1, kept},
        {"a negative row count", {"1", "0", "1", "-2"}, false, 1, kept},
        {"a count no file could back", {"2000000000", "0"}, false, 1, kept},
        {"a page no file could back", {"1", "0", "100000", "100000"}, false, 1, kept},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(path(), crlfLines(QList<QByteArray>({"TZAFWORKBOOKHEADER1007", "", "", "", ""}) + c.lines));
        TZAF_workbook workbook;
        EXPECT_EQ(workbook.OpenWorkbook(path()), c.opens);
        EXPECT_EQ(workbook.Pages(), c.pages);
        EXPECT_EQ(workbook.Created(), c.created);
    }

    // Dates always use ",": a "." is not read, in any locale.
    writeFile(path(), crlfLines({"TZAFWORKBOOKHEADER1007", "", "40809.73", "", "40809,73", "1", "0", "1", "0"}));
    for (const LocaleFormats& locale : {pointLocaleFormats(), commaLocaleFormats()}) {
        ScopedLocaleFormats pinned(locale);
        TZAF_workbook workbook;
        ASSERT_TRUE(workbook.OpenWorkbook(path()));
        EXPECT_EQ(workbook.Created(), kept);
        EXPECT_EQ(workbook.Modified(), 40809.73);
    }
}

TEST_F(WorkbookFile, OtherLineEndsAndByteOrderMarks)
{
    const QList<QByteArray> lines = {"TZAFWORKBOOKHEADER1007", "bm9ib2R5", "1,5", "", "", "1", "0", "1", "2", "QQ",
                                     "xQ"};
    const QByteArray lf = lines.join('\n');
    QByteArray utf16("\xFF\xFE");
    QByteArray utf16BigEndian("\xFE\xFF");
    for (char c : lines.join("\r\n") + "\r\n") {
        utf16 += c;
        utf16 += '\0';
        utf16BigEndian += '\0';
        utf16BigEndian += c;
    }
    const std::vector<std::pair<const char*, QByteArray>> files = {
        {"LF", lf + "\n"},
        {"CR", lines.join('\r')},
        {"UTF-8 mark", "\xEF\xBB\xBF" + lf},
        {"UTF-16 mark", utf16},
        {"UTF-16 big-endian mark", utf16BigEndian},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        writeFile(path(), bytes);
        TZAF_workbook workbook;
        ASSERT_TRUE(workbook.OpenWorkbook(path()));
        EXPECT_EQ(workbook.Author(), QStringLiteral("nobody"));
        EXPECT_EQ(workbook.Created(), 1.5);
        EXPECT_EQ(columnTexts(workbook, 0), QStringList({"A", "\u00c5"}));
    }
}

TEST_F(WorkbookFile, ScrambledFilesRoundTripWithTheirKey)
{
    TZAF_workbook saved;
    QList<QStringList> rows;
    for (int row = 0; row < 200; ++row) {
        rows.append({QStringLiteral("Person %1").arg(row), QStringLiteral("040 %1").arg(row * 7)});
    }
    fillRows(saved, rows);
    saved.SetModified(45000.5);
    ASSERT_TRUE(saved.SaveWorkbook(path(QStringLiteral("plain.zwb")), 0));
    saved.SetModified(45000.5);
    ASSERT_TRUE(saved.SaveWorkbook(path(), 4711));
    const QByteArray plain = readFile(path(QStringLiteral("plain.zwb")));
    const QByteArray scrambled = readFile(path());
    EXPECT_TRUE(plain.startsWith("TZAFWORKBOOKHEADER1007\r\n"));
    EXPECT_EQ(UnscrambleBytes(scrambled, 12, 45, 4711), plain);
    // The raw bytes include line ends and zeros; the reader must not split before unscrambling.
    EXPECT_TRUE(scrambled.contains('\n'));
    EXPECT_TRUE(scrambled.contains('\r'));
    EXPECT_TRUE(scrambled.contains('\0'));

    TZAF_workbook opened;
    EXPECT_FALSE(opened.OpenWorkbook(path(), 0));
    EXPECT_FALSE(opened.OpenWorkbook(path(), 4712));
    ASSERT_TRUE(opened.OpenWorkbook(path(), 4711));
    EXPECT_EQ(rowTexts(opened), rowTexts(saved));
    ASSERT_TRUE(opened.SaveWorkbook_O(path(), -3));
    ASSERT_TRUE(opened.OpenWorkbook_O(path(), -3));
    EXPECT_EQ(rowTexts(opened), rowTexts(saved));
}

TEST_F(WorkbookFile, FailedSaveLeavesThePreviousFileWhole)
{
    TZAF_workbook workbook;
    fillRows(workbook, {{"old content"}});
    ASSERT_TRUE(workbook.SaveWorkbook(path()));
    const QByteArray before = readFile(path());
    workbook.SetCellValue(0, 0, QStringLiteral("new content that is longer than the old one"));
    workbook.SetModified(45000.0);

    for (const qint64 afterBytes : {qint64(0), qint64(30), qint64(before.size())}) {
        SCOPED_TRACE(afterBytes);
        injectReplaceFaultForTesting(10, afterBytes);
        EXPECT_FALSE(workbook.SaveWorkbook(QString()));
        EXPECT_EQ(readFile(path()), before);
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"Corvale.zwb"}));
        EXPECT_EQ(workbook.Modified(), 45000.0);
    }

    // A fault that passes before the attempts run out is ridden out by the retries.
    injectReplaceFaultForTesting(3, 10);
    EXPECT_TRUE(workbook.SaveWorkbook(QString()));
    injectReplaceFaultForTesting(0, 0);
    TZAF_workbook opened;
    ASSERT_TRUE(opened.OpenWorkbook(path()));
    EXPECT_EQ(opened.GetCellAsString(0, 0), QStringLiteral("new content that is longer than the old one"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"Corvale.zwb"}));

    EXPECT_FALSE(workbook.SaveWorkbook(folder.filePath(QStringLiteral("no such folder/Corvale.zwb"))));
    EXPECT_EQ(workbook.Document(), path());
}

TEST_F(WorkbookFile, FileModifiedGivesTheLastWriteTime)
{
    TZAF_workbook workbook;
    EXPECT_EQ(workbook.FileModified(path()), 0.0);
    ASSERT_TRUE(workbook.SaveWorkbook(path()));
    const double written = workbook.FileModified(path());
    EXPECT_NEAR(written, Now(), 60.0 / 86400.0);
    const qint64 milliseconds = dateTimeFromDayNumber(written).time().msecsSinceStartOfDay();
    EXPECT_EQ(milliseconds % 2000, 0);
}

}  // namespace
