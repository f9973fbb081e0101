#include "workbook/DataFileIo.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QTemporaryFile>
#include <QThread>


namespace {

constexpr int kAttempts = 10;
constexpr int kAttemptPauseMs = 50;
constexpr qint64 kWriteChunkBytes = 64 * 1024;

struct ReplaceFault {
    int attempts = 0;
    qint64 afterBytes = 0;
};

QMutex faultMutex;
ReplaceFault pendingFault;

// Takes one attempt's share of the injected fault: the byte count after which it fails.
std::optional<qint64> takeFaultForAttempt()
{
    QMutexLocker locker(&faultMutex);
    if (pendingFault.attempts <= 0) {
        return std::nullopt;
    }
    --pendingFault.attempts;
    return pendingFault.afterBytes;
}

bool writeAll(QFile& file, const QByteArray& bytes, std::optional<qint64> failAfter)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        qint64 chunk = qMin(kWriteChunkBytes, bytes.size() - written);
        if (failAfter && written + chunk > *failAfter) {
            chunk = qMax<qint64>(*failAfter - written, 0);
            if (chunk > 0) {
                file.write(bytes.constData() + written, chunk);
            }
            return false;
        }
        const qint64 result = file.write(bytes.constData() + written, chunk);
        if (result <= 0) {
            return false;
        }
        written += result;
    }
    return !failAfter || bytes.size() <= *failAfter;
}

void syncFolderOf(const QString& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool replaceOnce(const QString& path, const QByteArray& bytes)
{
    const std::optional<qint64> failAfter = takeFaultForAttempt();
    const QFileInfo target(path);
    QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName()
                             + QStringLiteral(".XXXXXX"));
    if (!temporary.open()) {
        return false;
    }
    if (!writeAll(temporary, bytes, failAfter) || !temporary.flush() || ::fsync(temporary.handle()) != 0) {
        return false;  // the temporary file goes, the target was never touched
    }
    const QFileDevice::Permissions permissions =
        target.exists() ? QFile::permissions(path)
                        : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                              | QFileDevice::ReadOther;
    temporary.setPermissions(permissions);
    temporary.close();
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData())
        != 0) {
        return false;
    }
    temporary.setAutoRemove(false);
    syncFolderOf(path);
    return true;
}

}  // namespace

std::optional<QByteArray> readFileRetrying(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        return std::nullopt;
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0) {
            QThread::msleep(kAttemptPauseMs);
        }
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            QByteArray bytes = file.readAll();
            if (file.error() == QFileDevice::NoError) {
                return bytes;
            }
        }
    }
    return std::nullopt;
}

bool replaceFileRetrying(const QString& path, const QByteArray& bytes)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0) {
            QThread::msleep(kAttemptPauseMs);
        }
        if (replaceOnce(path, bytes)) {
            return true;
        }
    }
    return false;
}

void injectReplaceFaultForTesting(int attempts, qint64 afterBytes)
{
    QMutexLocker locker(&faultMutex);
    pendingFault = ReplaceFault{attempts, afterBytes};
}
