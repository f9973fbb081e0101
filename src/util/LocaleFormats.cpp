#include "util/LocaleFormats.h"

#include <QLocale>
#include <QMutex>
#include <QMutexLocker>

#include <optional>

namespace {

QMutex overrideMutex;
std::optional<LocaleFormats> overrideFormats;

struct PatternToken {
    QString text;
    bool isField = false;
};

// Splits a Qt date-time pattern into runs of one field letter and literal text
// (quoted parts stay literal, '' is a quote).
QList<PatternToken> tokenize(const QString& pattern)
{
    QList<PatternToken> tokens;
    auto appendLiteral = [&tokens](QChar c) {
        if (tokens.isEmpty() || tokens.last().isField) {
            tokens.append({QString(), false});
        }
        tokens.last().text.append(c);
    };
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern[i];
        if (c == u'\'') {
            // Keep the quoted literal verbatim so the pattern stays valid when joined again.
            qsizetype end = i + 1;
            while (end < pattern.size()) {
                if (pattern[end] == u'\'') {
                    if (end + 1 < pattern.size() && pattern[end + 1] == u'\'') {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            for (qsizetype k = i; k <= end && k < pattern.size(); ++k) {
                appendLiteral(pattern[k]);
            }
            i = end + 1;
        } else if (c.isLetter()) {
            qsizetype end = i;
            while (end < pattern.size() && pattern[end] == c) {
                ++end;
            }
            tokens.append({pattern.mid(i, end - i), true});
            i = end;
        } else {
            appendLiteral(c);
            ++i;
        }
    }
    return tokens;
}

bool isFieldOf(const PatternToken& token, QChar letter)
{
    return token.isField && !token.text.isEmpty() && token.text[0] == letter;
}

}  // namespace

QString longTimePatternWithoutZone(const QString& pattern)
{
    QList<PatternToken> tokens = tokenize(pattern);
    for (qsizetype i = 0; i < tokens.size();) {
        if (!isFieldOf(tokens[i], u't')) {
            ++i;
            continue;
        }
        tokens.removeAt(i);
        // The blank that separated the zone from its neighbour goes with it.
        if (i > 0 && !tokens[i - 1].isField) {
            QString& before = tokens[i - 1].text;
            while (!before.isEmpty() && before.back().isSpace()) {
                before.chop(1);
            }
        } else if (i < tokens.size() && !tokens[i].isField) {
            QString& after = tokens[i].text;
            while (!after.isEmpty() && after.front().isSpace()) {
                after.remove(0, 1);
            }
        }
    }
    bool hasSeconds = false;
    qsizetype lastMinutes = -1;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        hasSeconds = hasSeconds || isFieldOf(tokens[i], u's');
        if (isFieldOf(tokens[i], u'm')) {
            lastMinutes = i;
        }
    }
    if (!hasSeconds && lastMinutes >= 0) {
        tokens.insert(lastMinutes + 1, {QStringLiteral(":"), false});
        tokens.insert(lastMinutes + 2, {QStringLiteral("ss"), true});
    }
    QString result;
    for (const PatternToken& token : tokens) {
        result += token.text;
    }
    return result.trimmed();
}

LocaleFormats LocaleFormats::fromSystem()
{
    const QLocale locale = QLocale::system();
    const QString decimalPoint = locale.decimalPoint();
    return {locale.dateFormat(QLocale::ShortFormat),
            longTimePatternWithoutZone(locale.timeFormat(QLocale::LongFormat)),
            decimalPoint.isEmpty() ? QChar(u'.') : decimalPoint[0]};
}

LocaleFormats currentLocaleFormats()
{
    {
        QMutexLocker locker(&overrideMutex);
        if (overrideFormats) {
            return *overrideFormats;
        }
    }
    static const LocaleFormats systemFormats = LocaleFormats::fromSystem();
    return systemFormats;
}

void setLocaleFormatsOverride(const LocaleFormats& formats)
{
    QMutexLocker locker(&overrideMutex);
    overrideFormats = formats;
}

void clearLocaleFormatsOverride()
{
    QMutexLocker locker(&overrideMutex);
    overrideFormats.reset();
}

ScopedLocaleFormats::ScopedLocaleFormats(const LocaleFormats& formats)
{
    QMutexLocker locker(&overrideMutex);
    hadOverride_ = overrideFormats.has_value();
    if (hadOverride_) {
        previous_ = *overrideFormats;
    }
    overrideFormats = formats;
}

ScopedLocaleFormats::~ScopedLocaleFormats()
{
    QMutexLocker locker(&overrideMutex);
    if (hadOverride_) {
        overrideFormats = previous_;
    } else {
        overrideFormats.reset();
    }
}

QChar DecimalSeparator()
{
    return currentLocaleFormats().decimalSeparator;
}

QString formatShortDate(const QDate& date)
{
    return QLocale::system().toString(date, currentLocaleFormats().shortDate);
}

QString formatLongTime(const QTime& time)
{
    return QLocale::system().toString(time, currentLocaleFormats().longTime);
}
