#include "util/ZafFiles.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>


#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "util/ShellFiles.h"

namespace {

const QByteArray kRootFolder = QByteArrayLiteral("/");
const QString kRunningExecutableLink = QStringLiteral("/proc/self/exe");
const QString kFileBrowserLauncher = QStringLiteral("xdg-open");

// statfs magic numbers of file systems that are not a local disk.
constexpr qint64 kNotLocalDiskTypes[] = {
    0x6969,      // NFS
    0x517B,      // SMB
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x564C,      // NCP
    0x5346414F,  // AFS
    0x73757245,  // Coda
    0x9660,      // ISO 9660
    0x15013346,  // UDF
    0x01021994,  // tmpfs
    0x858458F6,  // ramfs
};

QString readRootVolumeSerial()
{
    struct statvfs volume;
    if (statvfs(kRootFolder.constData(), &volume) == 0 && volume.f_fsid != 0) {
        return FormatVolumeSerial(static_cast<quint32>(volume.f_fsid));
    }
    // Some file systems report no id; the device number still tells volumes apart.
    struct stat root;
    if (stat(kRootFolder.constData(), &root) == 0) {
        return FormatVolumeSerial(static_cast<quint32>(root.st_dev));
    }
    return QString();
}

bool runningExecutableOnLocalDisk()
{
    const QByteArray path = QFile::encodeName(QFileInfo(kRunningExecutableLink).canonicalFilePath());
    struct statfs fileSystem;
    if (path.isEmpty() || statfs(path.constData(), &fileSystem) != 0) {
        return false;
    }
    return IsLocalDiskFileSystem(static_cast<qint64>(static_cast<quint32>(fileSystem.f_type)));
}

}  // namespace

QString FormatVolumeSerial(quint32 serial)
{
    return QStringLiteral("%1").arg(serial, 8, 16, QLatin1Char('0')).toUpper();
}

bool IsLocalDiskFileSystem(qint64 fileSystemType)
{
    for (const qint64 type : kNotLocalDiskTypes) {
        if (type == fileSystemType) {
            return false;
        }
    }
    return true;
}

TZAF_files::TZAF_files(QObject* owner)
    : QObject(owner)
    , fDiskSerial(readRootVolumeSerial())
    , fOnlocalDrive(runningExecutableOnLocalDisk())
{
}

void TZAF_files::ExploreFolder(const QString& Folder) const
{
    QProcess::startDetached(kFileBrowserLauncher, {QUrl::fromLocalFile(Folder).toString()});
}

void TZAF_files::GetFileInfo(const QString& filename, QStringList& List) const
{
    List.clear();
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;
    if (GetFileVersion(filename, major, minor, release, build)) {
        List << QStringLiteral("FileVersion=%1.%2.%3.%4").arg(major).arg(minor).arg(release).arg(build);
    }
}
