#pragma once

#include <functional>
#include <stdexcept>

#include <QFile>
#include <QString>

#include "util/Stream.h"
#include "util/TickClock.h"

// File modes in the low 16 bits of a stream's flags.
constexpr quint32 FileModeOpenRead = 0x0000;
constexpr quint32 FileModeOpenWrite = 0x0001;
constexpr quint32 FileModeOpenReadWrite = 0x0002;
constexpr quint32 FileShareExclusive = 0x0010;
constexpr quint32 FileShareDenyWrite = 0x0020;
constexpr quint32 FileShareDenyNone = 0x0040;
constexpr quint32 FileModeCreate = 0xFF00;  // create or truncate, open for reading and writing

// Raised when the file cannot be opened or created, and when a progress handler aborts.
class FileStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using TZAF_filestream_OnProgress =
    std::function<void(const QString& Filename, qint64 Pos, qint64 Size, const QString& UniqueId)>;
using TZAF_filestream_OnProgressWAbort = std::function<void(
    const QString& Filename, qint64 Pos, qint64 Size, const QString& UniqueId, bool& AAbort)>;
using TZAF_filestream_ondestroy =
    std::function<void(const QString& Filename, qint64 Pos, qint64 Size, qint64 BytesRead,
                       qint64 BytesWritten, double Time, const QString& UniqueId)>;

// A file stream that counts what passes through it, reports progress after every transfer,
// lets a handler abort, can hold the transfer rate down, and reports statistics when destroyed.
class TZAF_filestream final : public TStream {
public:
    // ForceFileSize 0 or more is the size the events report; negative means the file's own size.
    TZAF_filestream(const QString& FileName, quint32 Flags, qint32 LimitBaudrate, qint64 ForceFileSize,
                    QString& uniqueId, TickClock& clock = TickClock::System());
    TZAF_filestream(const QString& FileName, quint32 Flags, qint32 LimitBaudrate, qint64 ForceFileSize,
                    TickClock& clock = TickClock::System());
    ~TZAF_filestream() override;

    TZAF_filestream(const TZAF_filestream&) = delete;
    TZAF_filestream& operator=(const TZAF_filestream&) = delete;

    qint32 Read(char* Buffer, qint32 Count) override;
    qint32 Write(const char* Buffer, qint32 Count) override;

    qint64 Position() const override;
    bool Seek(qint64 position) override;
    qint64 Size() const override;
    bool SetSize(qint64 size) override;

    const QString& FileName() const { return ffilename; }
    const QString& UniqueId() const { return funiqueId; }
    qint64 BytesRead() const { return fbytesread; }
    qint64 BytesWritten() const { return fbyteswritten; }

    const TZAF_filestream_OnProgress& OnProgress() const { return fonprogress; }
    void SetOnProgress(TZAF_filestream_OnProgress handler) { fonprogress = std::move(handler); }
    const TZAF_filestream_OnProgressWAbort& OnProgressAbort() const { return fonprogressabort; }
    void SetOnProgressAbort(TZAF_filestream_OnProgressWAbort handler) { fonprogressabort = std::move(handler); }
    const TZAF_filestream_ondestroy& OnDestroy() const { return fondestroy; }
    void SetOnDestroy(TZAF_filestream_ondestroy handler) { fondestroy = std::move(handler); }

private:
    enum class Direction { Read, Write };

    void PaceTransfer(qint32 transferred, quint32 startTick);
    void ReportTransfer(Direction direction, qint64 counter);

    mutable QFile ffile;
    TickClock& fclock;
    QString funiqueId;
    quint32 fbps = 0;
    QString ffilename;
    quint32 fstarttime = 0;
    qint64 fbytesread = 0;
    qint64 ffilesize = 0;
    qint64 fbyteswritten = 0;
    TZAF_filestream_OnProgress fonprogress;
    TZAF_filestream_OnProgressWAbort fonprogressabort;
    TZAF_filestream_ondestroy fondestroy;
};
