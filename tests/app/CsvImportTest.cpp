#include "app/CsvImport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "workbook/Workbook.h"

#include "TestFiles.h"

namespace {

// Name, phone and mobile of every row, "|" between fields.
QStringList entriesOf(const TZAF_workbook& workbook)
{
    QStringList rows;
    for (int row = 0; row < workbook.GetRows(); ++row) {
        rows.append(workbook.GetCellAsString(0, row) + '|' + workbook.GetCellAsString(3, row) + '|'
                    + workbook.GetCellAsString(4, row));
    }
    return rows;
}

class CsvImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        workbook_.SetRows(1);
        workbook_.SetCellValue(0, 0, QStringLiteral("Old Entry"));
        workbook_.SetCellValue(1, 0, QStringLiteral("Old title"));
        ASSERT_TRUE(workbook_.SaveWorkbook(dataPath()));
    }

    QString dataPath() const { return folder_.filePath(QStringLiteral("Corvale.zwb")); }
    QString csvPath() const { return folder_.filePath(QStringLiteral("staff.csv")); }

    CsvImportResult import()
    {
        return ImportDirectoryFromCsv(workbook_, csvPath(), [this](const QString& line) { log_.append(line); });
    }

    QTemporaryDir folder_;
    TZAF_workbook workbook_;
    QStringList log_;
};

} // namespace

TEST(ParseCsvLine, TakesThreeSemicolonClosedFields)
{
    const std::pair<QString, QString> cases[] = {
        {"Name;Phone;Gsm;", "Name|Phone|Gsm"},
        {"", "||"},
        {"Anna;123;", "Anna|123|"},
        {"Anna;123", "Anna||"}, // an unclosed field is lost
        {"Anna", "||"},
        {"Anna;123;456;extra;", "Anna|123|456"},
        {" Anna ; 1 2;;", " Anna | 1 2|"},
        {u"J\u201Ervi \u201Dst\u008Fberg;;;"_qs, u"J\u00E4rvi \u00F6st\u00C5berg||"_qs},
        {u"\u201C\u00E4;;;"_qs, u"\u201C\u00E4||"_qs}, // nothing else is changed
    };
    for (const auto& [line, expected] : cases) {
        const CsvEntry entry = ParseCsvLine(line);
        EXPECT_EQ(entry.name + '|' + entry.phone + '|' + entry.mobile, expected) << line.toStdString();
    }
}

TEST(DecodeCsvLines, ByteOrderMarkDecidesTheEncodingAndAnyLineEndSplits)
{
    const std::pair<QByteArray, QStringList> cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"\n\n", {"", ""}},
        {"\r\r\n", {"", ""}},
        {"\x84rla;1;", {u"\u201Erla;1;"_qs}},
        {"\xC5sa;1;", {u"\u00C5sa;1;"_qs}},
        {"\xEF\xBB\xBF\xC3\x85sa;1;\r\nB;", {u"\u00C5sa;1;"_qs, "B;"}},
        {QByteArray("\xFF\xFE\xC5\0;\0\r\0\n\0B\0", 12), {u"\u00C5;"_qs, "B"}},
        {QByteArray("\xFE\xFF\0\xC5\0;\0\n\0B", 10), {u"\u00C5;"_qs, "B"}},
    };
    for (const auto& [bytes, lines] : cases) {
        EXPECT_EQ(DecodeCsvLines(bytes), lines) << bytes.toHex().toStdString();
    }
}

TEST_F(CsvImportTest, ReplacesEveryRowSavesAndLogs)
{
    writeFile(csvPath(), "Name;Phone;Gsm;\r\nJ\x84rvi Anna;123;456;\r\n\r\nSmith John;99\r\n");
    const CsvImportResult result = import();
    EXPECT_TRUE(result.imported);
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(result.error, QString());
    const QStringList expected = {"Name|Phone|Gsm", u"J\u00E4rvi Anna|123|456"_qs, "||", "Smith John||"};
    EXPECT_EQ(entriesOf(workbook_), expected);
    EXPECT_EQ(workbook_.GetCellAsString(1, 0), QString()); // no column of an old row survives
    EXPECT_EQ(log_, QStringList{"New corvale imported from the CSV file"});

    TZAF_workbook reopened;
    ASSERT_TRUE(reopened.OpenWorkbook(dataPath()));
    EXPECT_EQ(entriesOf(reopened), expected);
}

TEST_F(CsvImportTest, EmptyFileLeavesAnEmptySavedDirectory)
{
    writeFile(csvPath(), "");
    EXPECT_TRUE(import().saved);
    EXPECT_EQ(workbook_.GetRows(), 0);
    TZAF_workbook reopened;
    ASSERT_TRUE(reopened.OpenWorkbook(dataPath()));
    EXPECT_EQ(reopened.GetRows(), 0);
    EXPECT_EQ(log_.size(), 1);
}

TEST_F(CsvImportTest, UnreadableFileChangesNothing)
{
    const QByteArray dataBefore = readFile(dataPath());
    const CsvImportResult missing = import();
    EXPECT_FALSE(missing.imported);
    EXPECT_NE(missing.error, QString());

    writeFile(csvPath(), "A;1;2;\r\n");
    QFile::setPermissions(csvPath(), QFileDevice::Permissions());
    if (!QFile(csvPath()).open(QIODevice::ReadOnly)) { // root may read it all the same
        EXPECT_NE(import().error, QString());
    }
    EXPECT_EQ(entriesOf(workbook_), QStringList{"Old Entry||"});
    EXPECT_EQ(readFile(dataPath()), dataBefore);
    EXPECT_EQ(log_, QStringList());
}

TEST(CsvImport, WorkbookWithoutDataFileStillImportsAndLogs)
{
    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("staff.csv"));
    writeFile(csv, "Anna;1;2;\n");
    TZAF_workbook workbook;
    QStringList log;
    const CsvImportResult result = ImportDirectoryFromCsv(workbook, csv, [&](const QString& line) { log.append(line); });
    EXPECT_TRUE(result.imported);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(entriesOf(workbook), QStringList{"Anna|1|2"});
    EXPECT_EQ(log.size(), 1);
}
