#include "web/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

constexpr QFileDevice::Permissions kPublishedPermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;

} // namespace

bool WriteFileReplacing(const QString& path, QByteArrayView bytes, QString& error)
{
    // No fsync: the rename alone keeps readers from a partial file, and an upload is cheap to repeat.
    QTemporaryFile file(QFileInfo(path).path() + QStringLiteral("/.upload-XXXXXX"));
    if (!file.open()) {
        error = file.errorString();
        return false;
    }
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush()) {
        error = file.errorString();
        return false;
    }
    file.setPermissions(kPublishedPermissions);
    file.close();
    if (std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    file.setAutoRemove(false);
    return true;
}
