#include "util/FileMove.h"

#include <cerrno>
#include <cstdio>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr qint64 kCopyChunkBytes = 1 << 20;

bool copyRegularFileReplacing(const QString& from, const QString& to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        return false;
    }
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly)) {
        return false;
    }
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(kCopyChunkBytes);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError) {
            target.cancelWriting();
            break;
        }
        if (target.write(chunk) != chunk.size()) {
            target.cancelWriting();
            break;
        }
    }
    if (!target.commit()) {
        return false;
    }
    QFile copied(to);
    copied.setPermissions(source.permissions());
    if (copied.open(QIODevice::ReadWrite)) {
        copied.setFileTime(source.fileTime(QFileDevice::FileModificationTime), QFileDevice::FileModificationTime);
    }
    return true;
}

bool copySymbolicLinkReplacing(const QString& from, const QString& to)
{
    const QString linkTarget = QFileInfo(from).symLinkTarget();
    if (linkTarget.isEmpty()) {
        return false;
    }
    QFile::remove(to);
    return QFile::link(linkTarget, to);
}

}  // namespace

bool moveFileReplacing(const QString& from, const QString& to)
{
    const QFileInfo source(from);
    if (!source.exists() && !source.isSymLink()) {
        return false;
    }
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) {
        return true;
    }
    if (errno != EXDEV) {
        return false;
    }
    bool copied = false;
    if (source.isSymLink()) {
        copied = copySymbolicLinkReplacing(from, to);
    } else if (source.isFile()) {
        copied = copyRegularFileReplacing(from, to);
    }
    return copied && QFile::remove(from);
}
