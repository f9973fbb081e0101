#include "update/AboutVersion.h"

#include "util/ShellFiles.h"

QString RevisionText(const QString& executablePath)
{
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;
    GetFileVersion(executablePath, major, minor, release, build);
    return QStringLiteral("Revision %1.%2.%3.%4").arg(major).arg(minor).arg(release).arg(build);
}
