#include "util/BuildVersion.h"

BuildVersion BuildVersion::current()
{
    return {CORVALE_VERSION_MAJOR, CORVALE_VERSION_MINOR, CORVALE_VERSION_RELEASE, CORVALE_VERSION_BUILD};
}

QString BuildVersion::text() const
{
    return QStringLiteral("%1.%2.%3.%4").arg(major).arg(minor).arg(release).arg(build);
}
