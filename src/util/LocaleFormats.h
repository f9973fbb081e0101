#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>

// The date, time and number formats shown to users, taken from the system locale.
struct LocaleFormats {
    QString shortDate;      // Qt date pattern, e.g. "d MMM yyyy"
    QString longTime;       // Qt time pattern with seconds and without a time-zone field
    QChar decimalSeparator;

    // The system locale's formats (not any override).
    static LocaleFormats fromSystem();
};

// The formats in force: the system's, or the override a test has set. Thread-safe.
LocaleFormats currentLocaleFormats();
void setLocaleFormatsOverride(const LocaleFormats& formats);
void clearLocaleFormatsOverride();

// Sets an override for the lifetime of the object, then restores what was in force before.
class ScopedLocaleFormats {
public:
    explicit ScopedLocaleFormats(const LocaleFormats& formats);
    ~ScopedLocaleFormats();
    ScopedLocaleFormats(const ScopedLocaleFormats&) = delete;
    ScopedLocaleFormats& operator=(const ScopedLocaleFormats&) = delete;

private:
    bool hadOverride_;
    LocaleFormats previous_;
};

QChar DecimalSeparator();
QString formatShortDate(const QDate& date);
QString formatLongTime(const QTime& time);

// A Qt time pattern without its time-zone fields, with seconds after the minutes when the
// pattern had none.
QString longTimePatternWithoutZone(const QString& pattern);
