#include "update/InstallerStart.h"

#include <QFile>
#include <QProcess>

bool MakeExecutable(const QString& path)
{
    QFile::Permissions permissions = QFile::permissions(path);
    if (permissions & QFile::ReadOwner) {
        permissions |= QFile::ExeOwner | QFile::ExeUser;
    }
    if (permissions & QFile::ReadGroup) {
        permissions |= QFile::ExeGroup;
    }
    if (permissions & QFile::ReadOther) {
        permissions |= QFile::ExeOther;
    }
    return QFile::setPermissions(path, permissions);
}

bool StartDetachedProgram(const QString& path)
{
    return QProcess::startDetached(path, QStringList());
}
