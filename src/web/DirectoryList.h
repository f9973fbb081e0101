#pragma once

#include <QList>
#include <QString>

#include <functional>

#include "workbook/RowTexts.h"

class TZAF_workbook;

// The list page's body: the rows that match the search words, sorted by the chosen column.

// The cells of one entry that the list reads.
struct DirectoryRow {
    QString name;
    QString title;
    QString email;
    QString phone;
    QString gsm;
};

// "email", "phone" and "gsm" (exactly, with case) pick their columns; anything else the name.
int SortColumnForKey(const QString& sortKey);

// The log event of a list page; searchWords decoded and folded, sortKey decoded.
QString ListLogEvent(const QString& searchWords, const QString& sortKey);

// searchWords already folded; empty matches every row. Name, title and e-mail are folded and
// searched by substring or, with wildcards, matched whole; phone and mobile by substring.
bool RowMatchesSearch(const DirectoryRow& row, const QString& searchWords, bool withWildcards);

// Sorts the directory by the column and copies the cells the list reads (name, title, e-mail,
// phone, mobile, in that order) out, atomically against other requests (under the
// workbook's callers' lock).
TWBRowTexts SortAndCopyRows(TZAF_workbook& workbook, int column);

// searchFor and sortBy: the request's "searchfor" and "sortby" as received.
// logEvent writes one log line for this client. Appends to page, which grows once to hold
// the rows and the footer that follows them: list pages are large.
void AppendDirectoryList(QString& page, TZAF_workbook& workbook, const QString& baseFolder,
                         const QString& searchFor, const QString& sortBy,
                         const std::function<void(const QString& event)>& logEvent);
QString BuildDirectoryList(TZAF_workbook& workbook, const QString& baseFolder,
                           const QString& searchFor, const QString& sortBy,
                           const std::function<void(const QString& event)>& logEvent);
