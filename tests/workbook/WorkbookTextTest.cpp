#include "workbook/Workbook.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "WorkbookTestSupport.h"
#include "workbook/WorkbookError.h"

namespace {

const QString kHtmlOpening = QStringLiteral("<html>\r\n<body background=#cccccc>\r\n<table width=100% border=0>\r\n");
const QString kHtmlClosing = QStringLiteral("</table>\r\n</body>\r\n</html>");

// Two columns: (a, b) and (c, empty).
void fillSmallPage(TZAF_workbook& workbook)
{
    workbook.SetColumns(2);
    fillRows(workbook, {{"a", "b"}, {"c", ""}});
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(WorkbookText, CsvExportRendersCellsByPriority)
{
    ScopedLocaleFormats formats(pointLocaleFormats());
    TZAF_workbook workbook;
    fillSmallPage(workbook);
    QString text = QStringLiteral("overwritten");
    EXPECT_TRUE(workbook.ExportCSVText(text, u';'));
    EXPECT_EQ(text, QStringLiteral("a;b;\r\nc;0;\r\n"));

    fillRows(workbook, {{"007", "0"}, {"abc", "1e3"}});
    workbook.SetPriority(TWB_double);
    workbook.ExportCSVText(text, u',');
    EXPECT_EQ(text, QStringLiteral("7,0,\r\nabc,1000,\r\n"));
    workbook.SetPriority(TWB_text);
    workbook.ExportCSVText(text, u',');
    EXPECT_EQ(text, QStringLiteral("007,0,\r\nabc,1e3,\r\n"));

    workbook.SetRows(0);
    workbook.ExportCSVText(text, u',');
    EXPECT_EQ(text, QString());
}

TEST(WorkbookText, CsvImport)
{
    struct Case {
        const char* name;
        QString text;
        bool result;
        int columns;
        QStringList rows;
    };
    const std::vector<Case> cases = {
        {"two rows", "x;y;\r\nz;\r\n", true, 2, {"x|y|", "z||"}},
        {"no final line end", "x;y", false, 0, {}},
        {"text after the last separator is dropped", "x;y\r\n", true, 1, {"x|"}},
        {"lone CR and LF stay in the line", "a\nb;c\r;\r\n", true, 2, {"a\nb|c\r|"}},
        {"a line without fields before any column", "none\r\nx;\r\n", true, 1, {"x|"}},
        {"a line without fields later is an empty row", "x;\r\nnone\r\n", true, 1, {"x|", "|"}},
        {"wider later lines widen the page", "x;\r\np;q;r;\r\n", true, 3, {"x|||", "p|q|r|"}},
        {"empty text", "", true, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZAF_workbook workbook;
        fillSmallPage(workbook);
        EXPECT_EQ(workbook.ImportCSVText(c.text, u';'), c.result);
        EXPECT_EQ(workbook.Columns(), c.columns);
        EXPECT_EQ(rowTexts(workbook), c.rows);
    }
}

TEST(WorkbookText, CsvExportImportKeepsThePageButEmptyCells)
{
    TZAF_workbook source;
    source.SetColumns(3);
    fillRows(source, {{"Smith", "", "040"}, {"\u00d6berg", "x", ""}});
    QString text;
    source.ExportCSVText(text, u'\t');
    TZAF_workbook copy;
    ASSERT_TRUE(copy.ImportCSVText(text, u'\t'));
    EXPECT_EQ(rowTexts(copy), QStringList({"Smith|0|040|", "\u00d6berg|x|0|"}));
}

TEST(WorkbookText, HtmlExports)
{
    TZAF_workbook workbook;
    workbook.SetColumns(1);
    QString html;
    EXPECT_TRUE(workbook.ExportHTMLText(html));
    EXPECT_EQ(html, kHtmlOpening + kHtmlClosing);

    fillSmallPage(workbook);
    workbook.SetCellValue(0, 0, QStringLiteral("<b>&"));
    workbook.ExportHTMLText(html);
    const QString cell = QStringLiteral("<td width=100% bgcolor=#ffffff><font size=2 color=#000000>");
    EXPECT_EQ(html, kHtmlOpening + "<tr>\r\n" + cell + "<b>&</td>" + cell + "b</td></tr>\r\n<tr>\r\n" + cell
                        + "c</td>" + cell + "0</td></tr>\r\n" + kHtmlClosing);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("page.html"));
    ASSERT_TRUE(workbook.ExportHTMLFile(path));
    EXPECT_EQ(readBytes(path),
              QByteArray("<html>\r\n<body background=#cccccc>\r\n<table width=100% border=0>\r\n<tr>\r\n"
                         "<td bgcolor=#ffffff><font size=2 color=#000000><b>&</td>\r\n"
                         "<td bgcolor=#ffffff><font size=2 color=#000000>b</td>\r\n</tr>\r\n<tr>\r\n"
                         "<td bgcolor=#ffffff><font size=2 color=#000000>c</td>\r\n"
                         "<td bgcolor=#ffffff><font size=2 color=#000000>0</td>\r\n</tr>\r\n"
                         "</table>\r\n</body>\r\n</html>\r\n"));
    EXPECT_FALSE(workbook.ExportHTMLFile(folder.filePath(QStringLiteral("missing/page.html"))));
}

TEST(WorkbookText, CsvFileIsWrittenInTheSingleByteCodePage)
{
    TZAF_workbook workbook;
    workbook.SetColumns(1);
    fillRows(workbook, {{"\u00c5sa \u20ac"}});
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("list.csv"));
    ASSERT_TRUE(workbook.ExportCSVFile(path, u';'));
    EXPECT_EQ(readBytes(path), QByteArray("\xC5sa \x80;\r\n"));
    EXPECT_FALSE(workbook.ExportCSVFile(folder.path(), u';'));  // a folder cannot be created as a file
}

TEST(WorkbookText, FileExportThatCannotWriteRaisesAnIoError)
{
    if (!QFile::exists(QStringLiteral("/dev/full"))) {
        GTEST_SKIP() << "no full device";
    }
    TZAF_workbook workbook;
    fillRows(workbook, {{"x"}});
    EXPECT_THROW(workbook.ExportCSVFile(QStringLiteral("/dev/full"), u';'), WorkbookIoError);
}

TEST(WorkbookText, StringListsByRowAndColumn)
{
    TZAF_workbook workbook;
    workbook.SetColumns(2);
    fillRows(workbook, {{"a", "b"}, {"c", ""}, {"e", "f"}});
    QStringList list = {"unchanged"};
    EXPECT_FALSE(workbook.ExportStringListRow(list, 3));
    EXPECT_FALSE(workbook.ExportStringListColumn(list, 2));
    EXPECT_EQ(list, QStringList({"unchanged"}));
    EXPECT_TRUE(workbook.ExportStringListRow(list, 1));
    EXPECT_EQ(list, QStringList({"c", "0"}));
    EXPECT_TRUE(workbook.ExportStringListColumn(list, 1));
    EXPECT_EQ(list, QStringList({"b", "0", "f"}));

    EXPECT_TRUE(workbook.ImportStringlistColumn({"1", "2"}, 1));
    EXPECT_EQ(columnTexts(workbook, 1), QStringList({"1", "2", "f"}));
    EXPECT_TRUE(workbook.ImportStringlistColumn({"v", "w", "x", "y", "z"}, 1));
    EXPECT_EQ(workbook.Rows(), 5);
    EXPECT_EQ(columnTexts(workbook, 0), QStringList({"a", "c", "e", "", ""}));
    EXPECT_FALSE(workbook.ImportStringlistColumn({"no"}, 2));

    EXPECT_TRUE(workbook.ImportStringlistRow({"p", "q", "r"}, 0));
    EXPECT_EQ(workbook.Columns(), 3);
    EXPECT_EQ(workbook.RowAsString(0, QStringLiteral(",")), QStringLiteral("p,q,r,"));
    EXPECT_FALSE(workbook.ImportStringlistRow({"no"}, 5));
}

}  // namespace
