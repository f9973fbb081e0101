#include "util/FileUtils.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

#include "util/DayDate.h"
#include "util/ShellFiles.h"
#include "util/TextLines.h"
#include "util/TextUtils.h"

namespace {

constexpr int kAttemptsPerSeries = 10;
constexpr int kRetryPauseMs = 50;
constexpr int kFileTimeResolutionSeconds = 2;

bool loadOnce(const QString& file, QStringList& lines)
{
    lines.clear();
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = input.readAll();
    if (input.error() != QFileDevice::NoError) {
        return false;
    }
    lines = decodeTextLines(bytes).lines;
    return true;
}

bool loadSeries(const QString& file, QStringList& lines)
{
    for (int attempt = 1; attempt <= kAttemptsPerSeries; ++attempt) {
        if (loadOnce(file, lines)) {
            return true;
        }
        QThread::msleep(kRetryPauseMs);
    }
    return false;
}

bool saveOnce(const QString& file, const QByteArray& bytes)
{
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (output.write(bytes) != bytes.size()) {
        output.cancelWriting();
        return false;
    }
    return output.commit();
}

bool hasWildcards(const QString& name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

QFileInfo firstMatch(const QString& path)
{
    const QFileInfo asked(path);
    if (!hasWildcards(asked.fileName())) {
        return asked;
    }
    const QDir folder = asked.dir();
    const QFileInfoList matches =
        folder.entryInfoList({asked.fileName()}, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                             QDir::Name);
    return matches.isEmpty() ? QFileInfo() : matches.first();
}

}  // namespace

bool LoadLinesRetrying(const QString& file, QStringList& lines, bool wait, int timeout)
{
    if (!QFileInfo::exists(file)) {
        return false;
    }
    QElapsedTimer elapsed;
    elapsed.start();
    while (true) {
        if (loadSeries(file, lines)) {
            return true;
        }
        if (!wait || (timeout >= 0 && elapsed.elapsed() > timeout)) {
            return false;
        }
        // Waiting for a file that is gone would never end.
        if (!QFileInfo::exists(file)) {
            return false;
        }
    }
}

bool SaveLinesRetrying(const QString& file, const QStringList& lines)
{
    const QByteArray bytes = encodeTextLines(lines, TextEncoding::Windows1252, false);
    for (int attempt = 1; attempt <= kAttemptsPerSeries; ++attempt) {
        if (saveOnce(file, bytes)) {
            return true;
        }
        QThread::msleep(kRetryPauseMs);
    }
    return false;
}

QString AppDataFolder(const QString& appFile, const QString& subFolder, bool perUser, bool create)
{
    QString folder;
    if (perUser) {
        folder = GetSpecialFolder(kSpecialFolderUserData);
        if (folder.isEmpty()) {
            folder = GetSpecialFolder(kSpecialFolderDocuments);
        }
    } else {
        folder = GetSpecialFolder(kSpecialFolderCommonData);
    }
    if (!subFolder.isEmpty()) {
        folder = WithTrailingBackslash(folder) + subFolder;
    }
    if (!appFile.isEmpty()) {
        folder = WithTrailingBackslash(folder) + ChangeExtension(QFileInfo(appFile).fileName(), QString());
    }
    if (create && !folder.isEmpty() && !QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        throw FolderCreateError(QStringLiteral("Cannot create folder %1").arg(folder).toStdString());
    }
    return folder;
}

QString ChangeExtension(const QString& fileName, const QString& extension)
{
    const qsizetype nameStart = fileName.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    QString result = dot >= nameStart ? fileName.left(dot) : fileName;
    if (!extension.isEmpty()) {
        if (!extension.startsWith(QLatin1Char('.'))) {
            result += QLatin1Char('.');
        }
        result += extension;
    }
    return result;
}

double FileTimeOf(const QString& path)
{
    if (path.isEmpty()) {
        return 0;
    }
    const QFileInfo match = firstMatch(path);
    if (!match.exists()) {
        return 0;
    }
    QDateTime written = match.lastModified();
    const QTime time = written.time();
    const int evenSecond = time.second() - time.second() % kFileTimeResolutionSeconds;
    written.setTime(QTime(time.hour(), time.minute(), evenSecond));
    return dayNumberFromDateTime(written);
}
