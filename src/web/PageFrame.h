#pragma once

#include <QDateTime>
#include <QString>

// The frame every generated page shares: header (title, logo, date line, search box,
// links) and footer.

// searchFor: the request's "searchfor" value as received, shown in the search box;
// logoPicture: the logo setting, a full path; the image is shown only when that file exists.
QString BuildPageHeader(const QString& searchFor, const QString& logoPicture, const QDateTime& now);
QString BuildPageFooter();

// The header's date line: short date, a blank and long time; the date alone at midnight.
QString PageDateText(const QDateTime& now);
