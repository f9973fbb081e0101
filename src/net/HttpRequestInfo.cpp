#include "net/HttpRequestInfo.h"

QString ValueByName(const QStringList& entries, QStringView name, QChar separator, bool trimValue)
{
    for (const QString& entry : entries) {
        const qsizetype at = entry.indexOf(separator);
        const QStringView entryName = at < 0 ? QStringView(entry) : QStringView(entry).left(at);
        const QStringView nameToCompare = trimValue ? entryName.trimmed() : entryName;
        // Names that differ in length never match, however their case is folded.
        if (nameToCompare.size() != name.size() || nameToCompare.compare(name, Qt::CaseInsensitive) != 0) {
            continue;
        }
        if (at < 0) {
            return QString();
        }
        const QStringView value = QStringView(entry).mid(at + 1);
        return (trimValue ? value.trimmed() : value).toString();
    }
    return QString();
}
