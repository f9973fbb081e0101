#include "util/FileStream.h"

#include <QRandomGenerator>

namespace {

constexpr quint32 FileModeMask = 0x0003;
constexpr qint32 HighestUniqueId = 2147483646;
constexpr quint64 MillisecondsPerSecond = 1000;

QIODevice::OpenMode OpenModeFor(quint32 flags)
{
    // Unbuffered, so every count is what reached the file and the size is always current.
    if ((flags & FileModeCreate) == FileModeCreate) {
        return QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered;
    }
    QIODevice::OpenMode mode = QIODevice::ExistingOnly | QIODevice::Unbuffered;
    switch (flags & FileModeMask) {
    case FileModeOpenWrite:
        return mode | QIODevice::WriteOnly;
    case FileModeOpenReadWrite:
        return mode | QIODevice::ReadWrite;
    default:
        return mode | QIODevice::ReadOnly;
    }
}

QString OpenErrorText(const QString& fileName, quint32 flags, const QString& reason)
{
    const QString what = (flags & FileModeCreate) == FileModeCreate ? QStringLiteral("Cannot create file")
                                                                    : QStringLiteral("Cannot open file");
    return QStringLiteral("%1 \"%2\". %3").arg(what, fileName, reason);
}

}  // namespace

TZAF_filestream::TZAF_filestream(const QString& FileName, quint32 Flags, qint32 LimitBaudrate,
                                 qint64 ForceFileSize, QString& uniqueId, TickClock& clock)
    : TZAF_filestream(FileName, Flags, LimitBaudrate, ForceFileSize, clock)
{
    uniqueId = funiqueId;
}

TZAF_filestream::TZAF_filestream(const QString& FileName, quint32 Flags, qint32 LimitBaudrate,
                                 qint64 ForceFileSize, TickClock& clock)
    : ffile(FileName), fclock(clock)
{
    // Sharing modes have no mandatory counterpart here; only the access part of the flags counts.
    const quint32 flags = Flags & 0xFFFF;
    if (!ffile.open(OpenModeFor(flags))) {
        throw FileStreamError(OpenErrorText(FileName, flags, ffile.errorString()).toStdString());
    }
    funiqueId = QString::number(QRandomGenerator::global()->bounded(HighestUniqueId + 1));
    fbps = static_cast<quint32>(LimitBaudrate);
    ffilename = FileName;
    fstarttime = fclock.TickCount();
    ffilesize = ForceFileSize >= 0 ? ForceFileSize : ffile.size();
    fbytesread = 0;
    fbyteswritten = 0;
}

TZAF_filestream::~TZAF_filestream()
{
    if (fondestroy) {
        // Unsigned subtraction allows for one wrap of the tick counter.
        const quint32 elapsed = fclock.TickCount() - fstarttime;
        try {
            fondestroy(ffilename, Position(), Size(), fbytesread, fbyteswritten, static_cast<double>(elapsed),
                       funiqueId);
        } catch (...) {
            // A destructor cannot pass an error on; the file is still closed below.
        }
    }
    ffile.close();
}

qint32 TZAF_filestream::Read(char* Buffer, qint32 Count)
{
    const quint32 startTick = fclock.TickCount();
    const qint64 result = Count > 0 ? ffile.read(Buffer, Count) : 0;
    const qint32 transferred = result > 0 ? static_cast<qint32>(result) : 0;
    fbytesread += transferred;
    PaceTransfer(transferred, startTick);
    ReportTransfer(Direction::Read, fbytesread);
    return transferred;
}

qint32 TZAF_filestream::Write(const char* Buffer, qint32 Count)
{
    const quint32 startTick = fclock.TickCount();
    const qint64 result = Count > 0 ? ffile.write(Buffer, Count) : 0;
    const qint32 transferred = result > 0 ? static_cast<qint32>(result) : 0;
    fbyteswritten += transferred;
    PaceTransfer(transferred, startTick);
    ReportTransfer(Direction::Write, fbyteswritten);
    return transferred;
}

void TZAF_filestream::PaceTransfer(qint32 transferred, quint32 startTick)
{
    if (transferred <= 0 || fbps == 0) {
        return;
    }
    // In 64 bits, so a large single transfer gets its full budget instead of a wrapped one.
    const quint64 budget = static_cast<quint64>(transferred) * MillisecondsPerSecond / fbps;
    const quint32 elapsed = fclock.TickCount() - startTick;
    if (budget > elapsed) {
        fclock.Sleep(static_cast<quint32>(qMin<quint64>(budget - elapsed, 0xFFFFFFFFu)));
    }
}

void TZAF_filestream::ReportTransfer(Direction direction, qint64 counter)
{
    if (fonprogress) {
        fonprogress(ffilename, counter, ffilesize, funiqueId);
    }
    if (fonprogressabort) {
        bool abort = false;
        fonprogressabort(ffilename, counter, ffilesize, funiqueId, abort);
        if (abort) {
            throw FileStreamError(direction == Direction::Read ? "TZAF_filestream: Read aborted."
                                                               : "TZAF_filestream: Write aborted.");
        }
    }
}

qint64 TZAF_filestream::Position() const
{
    return ffile.pos();
}

bool TZAF_filestream::Seek(qint64 position)
{
    return ffile.seek(position);
}

qint64 TZAF_filestream::Size() const
{
    return ffile.size();
}

bool TZAF_filestream::SetSize(qint64 size)
{
    const qint64 position = ffile.pos();
    if (!ffile.resize(size)) {
        return false;
    }
    // Growing or cutting the file leaves the position where it was, or at the new end.
    return ffile.seek(qMin(position, size));
}
