#include "util/ShellFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "util/BuildVersion.h"
#include "util/FileMove.h"
#include "util/UserTrash.h"

namespace {

const QString kRunningExecutableLink = QStringLiteral("/proc/self/exe");
const QString kCommonDataFolder = QStringLiteral("/var/lib");

bool isRunningExecutable(const QString& fileName)
{
    const QString running = QFileInfo(kRunningExecutableLink).canonicalFilePath();
    const QString asked = QFileInfo(fileName).canonicalFilePath();
    return !running.isEmpty() && asked == running;
}

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
    }
    return path;
}

QString userDataFolder()
{
    // A relative XDG_DATA_HOME is invalid and ignored.
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured)) {
        return withoutTrailingSlash(configured);
    }
    return withoutTrailingSlash(QDir::homePath()) + QStringLiteral("/.local/share");
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) {
        return withoutTrailingSlash(documents);
    }
    return withoutTrailingSlash(QDir::homePath());
}

bool deleteForGood(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (info.isDir() && !info.isSymLink()) {
        return QDir().rmdir(fileName);
    }
    return QFile::remove(fileName);
}

}  // namespace

bool GetFileVersion(const QString& FileName, int& Major, int& Minor, int& Release, int& Build)
{
    if (!isRunningExecutable(FileName)) {
        return false;
    }
    const BuildVersion version = BuildVersion::current();
    Major = version.major;
    Minor = version.minor;
    Release = version.release;
    Build = version.build;
    return true;
}

QString GetTempFolder()
{
    return withoutTrailingSlash(QDir::tempPath()) + QLatin1Char('/');
}

QString GetSpecialFolder(int Csidl)
{
    switch (Csidl) {
    case kSpecialFolderUserData:
        return userDataFolder();
    case kSpecialFolderDocuments:
        return documentsFolder();
    case kSpecialFolderCommonData:
        return kCommonDataFolder;
    default:
        return QString();
    }
}

bool ShellDeleteFile(const QString& FileName, bool ShowProgress, bool Confirm, bool AllowUndo)
{
    Q_UNUSED(ShowProgress);
    Q_UNUSED(Confirm);
    const QFileInfo info(FileName);
    if (FileName.isEmpty() || (!info.exists() && !info.isSymLink())) {
        return false;
    }
    return AllowUndo ? moveToTrash(FileName, userTrashFolder()) : deleteForGood(FileName);
}

bool ShellMoveFile(const QString& FromName, const QString& ToName, bool ShowProgress, bool Confirm,
                   bool AllowUndo)
{
    Q_UNUSED(ShowProgress);
    Q_UNUSED(Confirm);
    Q_UNUSED(AllowUndo);
    if (FromName.isEmpty() || ToName.isEmpty()) {
        return false;
    }
    QString target = ToName;
    if (QFileInfo(ToName).isDir()) {
        target = withoutTrailingSlash(ToName) + QLatin1Char('/') + QFileInfo(FromName).fileName();
    }
    if (QFileInfo(target).absoluteFilePath() == QFileInfo(FromName).absoluteFilePath()) {
        return false;
    }
    return moveFileReplacing(FromName, target);
}
