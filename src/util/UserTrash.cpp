#include "util/UserTrash.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "util/FileMove.h"
#include "util/ShellFiles.h"

namespace {

constexpr int kMaxNameAttempts = 10000;
const QString kInfoSuffix = QStringLiteral(".trashinfo");

// "notes.txt" -> "notes.txt", "notes.2.txt", "notes.3.txt", ...
QString candidateName(const QString& fileName, int attempt)
{
    if (attempt == 1) {
        return fileName;
    }
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0) {
        return QStringLiteral("%1.%2").arg(fileName).arg(attempt);
    }
    return QStringLiteral("%1.%2%3").arg(fileName.left(dot)).arg(attempt).arg(fileName.mid(dot));
}

QByteArray trashInfoText(const QString& originalPath)
{
    const QByteArray encodedPath = QUrl::toPercentEncoding(originalPath, QByteArrayLiteral("/"));
    const QByteArray deletionDate =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
    return QByteArrayLiteral("[Trash Info]\nPath=") + encodedPath + QByteArrayLiteral("\nDeletionDate=") +
           deletionDate + QByteArrayLiteral("\n");
}

bool makePrivateFolder(const QString& folder)
{
    if (!QDir().mkpath(folder)) {
        return false;
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

bool existsOrDanglingLink(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

QString userTrashFolder()
{
    return GetSpecialFolder(kSpecialFolderUserData) + QStringLiteral("/Trash");
}

bool moveToTrash(const QString& path, const QString& trashFolder)
{
    const QFileInfo item(path);
    if (!existsOrDanglingLink(path) || item.fileName().isEmpty()) {
        return false;
    }
    const QString filesFolder = trashFolder + QStringLiteral("/files");
    const QString infoFolder = trashFolder + QStringLiteral("/info");
    if (!makePrivateFolder(filesFolder) || !makePrivateFolder(infoFolder)) {
        return false;
    }
    const QByteArray info = trashInfoText(item.absoluteFilePath());

    for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        const QString name = candidateName(item.fileName(), attempt);
        const QString trashedPath = filesFolder + QLatin1Char('/') + name;
        if (existsOrDanglingLink(trashedPath)) {
            continue;
        }
        // Creating the info file exclusively claims the name against other deleters.
        QFile infoFile(infoFolder + QLatin1Char('/') + name + kInfoSuffix);
        if (!infoFile.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (infoFile.exists()) {
                continue;
            }
            return false;
        }
        const bool infoWritten = infoFile.write(info) == info.size() && infoFile.flush();
        infoFile.close();
        if (infoWritten && moveFileReplacing(item.absoluteFilePath(), trashedPath)) {
            return true;
        }
        infoFile.remove();
        return false;
    }
    return false;
}
