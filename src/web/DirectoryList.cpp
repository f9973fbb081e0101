#include "web/DirectoryList.h"

#include "util/Settings.h"
#include "util/TextUtils.h"
#include "web/HtmlEscape.h"
#include "web/PageFragments.h"
#include "web/PhotoFolder.h"
#include "workbook/Workbook.h"

namespace {

enum EntryColumn { kNameColumn = 0, kTitleColumn = 1, kEmailColumn = 2, kPhoneColumn = 3, kGsmColumn = 4 };

// A little more than a typical row, and room for the footer, so the page is allocated once.
constexpr qsizetype kCharactersPerRow = 704;
constexpr qsizetype kCharactersAfterRows = 1024;

// Row fragments in UTF-16 already, so appending them is a plain copy.
constexpr QStringView kCellStart(u"<td bgcolor=#ffffff><font face=\"verdana\" size=2 color=#000000>");
constexpr QStringView kCellEnd(u"</td>");
constexpr QStringView kRowStart(u"<tr valign=top>");
constexpr QStringView kMailtoStart(u"<a href=\"mailto:");
constexpr QStringView kMailtoEnd(u"\">");
constexpr QStringView kLinkEnd(u"</a></td>");
constexpr QStringView kPhotoStart(u"<td bgcolor=#ffffff><img src=\"/photos/");
constexpr QStringView kPhotoEnd(u".jpg\"></td>");
constexpr QStringView kNoPhoto(u"-</td>");
constexpr QStringView kEditFormStart(u"<form action=\"/mod\" method=post><td width=50><input type=hidden name=\"name\" value=\"");
constexpr QStringView kHiddenEnd(u"\">");
constexpr QStringView kEditButton(u"<input type=\"submit\" value=\"Edit\">");
constexpr QStringView kDelFormStart(u"</td></form><form method=post><td width=50><input type=hidden name=\"delname\" value=\"");
constexpr QStringView kDelButton(u"<input type=\"submit\" value=\"Del\">");
constexpr QStringView kRowEnd(u"</td></form></tr>");

void appendSortButton(QString& body, QLatin1String key, QLatin1String label, const QString& searchWords,
                      bool first)
{
    if (first) {
        body += QLatin1String("<tr>");
    }
    body += QLatin1String("<form method=post><td><font face=\"verdana\" size=2 color=#000000>"
                          "<input type=\"hidden\" name=\"sortby\" value=\"");
    body += key;
    body += QLatin1String("\"><input type=\"submit\" value=\"");
    body += label;
    body += QLatin1String("\"><input type=\"hidden\" name=\"searchfor\" value=\"");
    AppendHtmlEscaped(body, searchWords);
    body += QLatin1String("\"></td></form>");
}

void appendColumnHeaderRow(QString& body, const QString& searchWords)
{
    appendSortButton(body, QLatin1String("name"), QLatin1String("Name"), searchWords, true);
    appendSortButton(body, QLatin1String("photo"), QLatin1String("Photo"), searchWords, false);
    appendSortButton(body, QLatin1String("phone"), QLatin1String("Phone"), searchWords, false);
    appendSortButton(body, QLatin1String("gsm"), QLatin1String("Gsm"), searchWords, false);
    body += QLatin1String("<td colspan=2><font face=\"Verdana\" size=2 color=#000000>Action</td></tr>");
}

// One entry's cells, read from the copied block.
struct EntryCells {
    QStringView name;
    QStringView title;
    QStringView email;
    QStringView phone;
    QStringView gsm;
};

EntryCells entryCells(const TWBRowTexts& texts, int row)
{
    return {texts.At(row, kNameColumn), texts.At(row, kTitleColumn), texts.At(row, kEmailColumn),
            texts.At(row, kPhoneColumn), texts.At(row, kGsmColumn)};
}

void appendTextCell(QString& body, QStringView value)
{
    body += kCellStart;
    AppendHtmlEscaped(body, value);
    body += kCellEnd;
}

void appendEntryRow(QString& body, const EntryCells& row, const PhotoFolder& photos, bool modifyDisabled)
{
    const QString name = HtmlEscaped(row.name);  // used three times
    body += kRowStart;
    body += kCellStart;
    if (row.email.isEmpty()) {
        body += name;
        body += kCellEnd;
    } else {
        body += kMailtoStart;
        AppendHtmlEscaped(body, row.email);
        body += kMailtoEnd;
        body += name;
        body += kLinkEnd;
    }
    if (photos.HasPhoto(QString::fromRawData(row.name.data(), row.name.size()))) {
        body += kPhotoStart;
        body += HtmlEscapedPathPart(row.name);
        body += kPhotoEnd;
    } else {
        body += kCellStart;
        body += kNoPhoto;
    }
    appendTextCell(body, row.phone);
    appendTextCell(body, row.gsm);

    body += kEditFormStart;
    body += name;
    body += kHiddenEnd;
    if (!modifyDisabled) {
        body += kEditButton;
    }
    body += kDelFormStart;
    body += name;
    body += kHiddenEnd;
    if (!modifyDisabled) {
        body += kDelButton;
    }
    body += kRowEnd;
}

bool entryMatchesSearch(const EntryCells& row, const QString& searchWords, bool withWildcards)
{
    return RowMatchesSearch({row.name.toString(), row.title.toString(), row.email.toString(), row.phone.toString(),
                             row.gsm.toString()},
                            searchWords, withWildcards);
}

}  // namespace

int SortColumnForKey(const QString& sortKey)
{
    if (sortKey == QLatin1String("email")) {
        return kEmailColumn;
    }
    if (sortKey == QLatin1String("phone")) {
        return kPhoneColumn;
    }
    if (sortKey == QLatin1String("gsm")) {
        return kGsmColumn;
    }
    return kNameColumn;
}

QString ListLogEvent(const QString& searchWords, const QString& sortKey)
{
    if (!searchWords.isEmpty() && !sortKey.isEmpty()) {
        return QLatin1String("> list \"") + searchWords + QLatin1String("\" sorted by ") + sortKey;
    }
    if (!searchWords.isEmpty()) {
        return QLatin1String("> list \"") + searchWords + QLatin1Char('"');
    }
    if (!sortKey.isEmpty()) {
        return QLatin1String("> list sorted by ") + sortKey;
    }
    return QStringLiteral("> list all");
}

bool RowMatchesSearch(const DirectoryRow& row, const QString& searchWords, bool withWildcards)
{
    if (searchWords.isEmpty()) {
        return true;
    }
    for (const QString* cell : {&row.name, &row.title, &row.email}) {
        const QString folded = LowerCaseNordic(*cell);
        const bool matches = withWildcards ? MatchWildcards(searchWords, folded, true)
                                           : folded.contains(searchWords);
        if (matches) {
            return true;
        }
    }
    return row.phone.contains(searchWords) || row.gsm.contains(searchWords);
}

TWBRowTexts SortAndCopyRows(TZAF_workbook& workbook, int column)
{
    TZAF_workbook::CallerLock lock(workbook);
    workbook.SortByColumn(column, true, false);
    TWBRowTexts texts;
    workbook.CopyRowTexts({kNameColumn, kTitleColumn, kEmailColumn, kPhoneColumn, kGsmColumn}, texts);
    return texts;
}

void AppendDirectoryList(QString& body, TZAF_workbook& workbook, const QString& baseFolder,
                         const QString& searchFor, const QString& sortBy,
                         const std::function<void(const QString& event)>& logEvent)
{
    const QString searchWords = LowerCaseNordic(DecodeHtmlEntities(searchFor));
    const QString sortKey = DecodeHtmlEntities(sortBy);
    logEvent(ListLogEvent(searchWords, sortKey));

    const TWBRowTexts texts = SortAndCopyRows(workbook, SortColumnForKey(sortKey));
    const PhotoFolder photos(baseFolder);
    // Read once, so every row of one page shows the same buttons.
    const bool modifyDisabled = GetDisableModify();
    const bool withWildcards = !searchWords.isEmpty() && GetSearchWithWildcards();

    const int rows = texts.Rows();
    body.reserve(body.size() + kCharactersPerRow * (rows + 1) + kCharactersAfterRows);
    appendColumnHeaderRow(body, searchWords);
    int shown = 0;
    for (int r = 0; r < rows; ++r) {
        const EntryCells row = entryCells(texts, r);
        if (!searchWords.isEmpty() && !entryMatchesSearch(row, searchWords, withWildcards)) {
            continue;
        }
        appendEntryRow(body, row, photos, modifyDisabled);
        ++shown;
    }
    body += MessageRow(QString::number(shown) + QLatin1String(" names found"));
}

QString BuildDirectoryList(TZAF_workbook& workbook, const QString& baseFolder, const QString& searchFor,
                           const QString& sortBy, const std::function<void(const QString& event)>& logEvent)
{
    QString body;
    AppendDirectoryList(body, workbook, baseFolder, searchFor, sortBy, logEvent);
    return body;
}
