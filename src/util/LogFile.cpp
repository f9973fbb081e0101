#include "util/LogFile.h"

#include <sys/file.h>

#include <cstdio>

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include "util/DayDate.h"
#include "util/LocaleFormats.h"

namespace {

const QString kReplacingLastMessage = QStringLiteral("Replacing last!");
const QString kTimeStampSeparator = QStringLiteral("> ");

using Locker = QMutexLocker<QRecursiveMutex>;

// Held for reading and writing and not shared: a second writer would garble the lines.
bool lockExclusively(QFile& file)
{
    return flock(file.handle(), LOCK_EX | LOCK_NB) == 0;
}

}  // namespace

TZAF_LogFile::TZAF_LogFile()
    : fClock([] { return QDateTime::currentDateTime(); })
{
}

TZAF_LogFile::~TZAF_LogFile()
{
    Locker locker(&ALock);
    try {
        Flush();
    } catch (const LogWriteError&) {
        // Nobody is left to tell; the lines written so far stay in the file.
    }
    CloseFile();
}

void TZAF_LogFile::Loaded()
{
    Locker locker(&ALock);
    Prepare();
}

void TZAF_LogFile::Add(const QString& TexttoLog, bool AUpdateIfAlreadyExists)
{
    if (TexttoLog.isEmpty()) {
        return;
    }
    Locker locker(&ALock);
    Prepare();

    QString txt = TexttoLog;
    if (OnLog) {
        OnLog(*this, txt);
    }
    if (txt.isEmpty()) {
        return;
    }

    const QDateTime now = fClock();
    ALastTime = dayNumberFromDateTime(now);
    const bool sameAsLast = txt == ALastMessage;
    ALastMessage = txt;
    if (AAddTimeStamp) {
        txt = TimeStampedText(now, txt);
    }
    const bool unwrittenBefore = FModiFied;
    FModiFied = true;

    if (AFileStream) {
        const bool replaceLast =
            AUpdateIfAlreadyExists && sameAsLast && fLastMessageInFile && !AListBuffer.isEmpty();
        if (replaceLast) {
            AListBuffer.last() = txt;
        } else {
            AListBuffer.append(txt);
        }
        fLastMessageInFile = true;
        if (AMaxLines >= 1) {
            Trim();
        } else if (unwrittenBefore) {
            // Lines still waiting in the buffer go to the file together with this one.
            if (replaceLast) {
                ShowMessage(kReplacingLastMessage);
            }
            Flush();
        } else if (replaceLast) {
            ShowMessage(kReplacingLastMessage);
            ReplaceLastLineInFile(txt);
        } else {
            AppendLineToFile(txt);
        }
    } else {
        fLastMessageInFile = false;
    }

    if (AfterLog) {
        AfterLog(*this, txt);
    }
}

void TZAF_LogFile::Lines(QStringList& List)
{
    Locker locker(&ALock);
    Prepare();
    List = AListBuffer;
}

int TZAF_LogFile::LineCount()
{
    Locker locker(&ALock);
    Prepare();
    return int(AListBuffer.size());
}

QString TZAF_LogFile::LastMessage()
{
    Locker locker(&ALock);
    return ALastMessage;
}

double TZAF_LogFile::LastTime()
{
    Locker locker(&ALock);
    return ALastTime;
}

bool TZAF_LogFile::LogFileOpen()
{
    Locker locker(&ALock);
    return AFileStream != nullptr;
}

void TZAF_LogFile::Save()
{
    Locker locker(&ALock);
    Flush();
}

void TZAF_LogFile::CloseLogFile()
{
    Locker locker(&ALock);
    Flush();
    CloseFile();
    AListBuffer.clear();
}

void TZAF_LogFile::Clear(bool ADeleteFileIfExists)
{
    Q_UNUSED(ADeleteFileIfExists);
    Locker locker(&ALock);
    Flush();
    CloseFile();
    AListBuffer.clear();
    if (!AFilename.isEmpty() && QFileInfo::exists(AFilename)) {
        QFile::remove(AFilename);
    }
    ALastTime = 0;
    ALastMessage.clear();
    ALastLoggedLength = 0;
    fLastMessageInFile = false;
}

QString TZAF_LogFile::Filename()
{
    Locker locker(&ALock);
    return AFilename;
}

void TZAF_LogFile::SetFilename(const QString& Value)
{
    Locker locker(&ALock);
    if (Value == AFilename) {
        return;
    }
    CloseFile();
    AListBuffer.clear();
    FModiFied = false;
    AFilename = Value;
    // The last line written belongs to the old file; nothing in the new one may be replaced.
    ALastLoggedLength = 0;
    fLastMessageInFile = false;
}

int TZAF_LogFile::MaxLines()
{
    Locker locker(&ALock);
    return AMaxLines;
}

void TZAF_LogFile::SetMaxLines(int Value)
{
    Locker locker(&ALock);
    if (Value >= 0) {
        AMaxLines = Value;
    }
}

bool TZAF_LogFile::TimeStamp()
{
    Locker locker(&ALock);
    return AAddTimeStamp;
}

void TZAF_LogFile::SetTimeStamp(bool Value)
{
    Locker locker(&ALock);
    AAddTimeStamp = Value;
}

bool TZAF_LogFile::DisableTempBuffering()
{
    Locker locker(&ALock);
    return FNoTempBufferNeeded;
}

void TZAF_LogFile::SetDisableTempBuffering(bool Value)
{
    Locker locker(&ALock);
    FNoTempBufferNeeded = Value;
}

void TZAF_LogFile::SetMessageSink(TZAF_logfile_MessageSink Sink)
{
    Locker locker(&ALock);
    fMessageSink = std::move(Sink);
}

void TZAF_LogFile::SetClock(std::function<QDateTime()> Clock)
{
    Locker locker(&ALock);
    fClock = std::move(Clock);
}

void TZAF_LogFile::Prepare()
{
    Trim();
    if (AFileStream) {
        return;
    }
    AListBuffer.clear();
    if (FNoTempBufferNeeded && AMaxLines == 0) {
        return;
    }
    if (!AFilename.isEmpty()) {
        OpenOrCreateFile();
    }
}

void TZAF_LogFile::Trim()
{
    if (AMaxLines < 1) {
        return;
    }
    while (AListBuffer.size() > AMaxLines) {
        if (OnLogFull) {
            QString newName = AFilename;
            OnLogFull(*this, newName);
            if (newName != AFilename) {
                Flush();
                CloseFile();
                AListBuffer.clear();
                if (!newName.isEmpty() && QFileInfo::exists(newName)) {
                    QFile::remove(newName);
                }
                AFilename = newName;
                ALastTime = 0;
                ALastMessage.clear();
                ALastLoggedLength = 0;
                fLastMessageInFile = false;
                return;
            }
        }
        AListBuffer.removeFirst();
    }
}

void TZAF_LogFile::Flush()
{
    if (!AFileStream || !FModiFied) {
        return;
    }
    const QByteArray bytes = encodeTextLines(AListBuffer, fEncoding, fHasByteOrderMark);
    WriteAt(0, bytes);
    ALastLoggedLength = AListBuffer.isEmpty() ? 0 : encodeTextLine(AListBuffer.last(), fEncoding).size();
    fFileEndsInsideLine = false;
    FModiFied = false;
}

void TZAF_LogFile::OpenOrCreateFile()
{
    const QFileInfo info(AFilename);
    const bool existed = info.exists();
    if (existed && !info.isFile()) {
        return;  // a folder or a device (reading /dev/zero would never end)
    }
    auto file = std::make_unique<QFile>(AFilename);
    if (!file->open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        return;
    }
    if (!lockExclusively(*file)) {
        return;
    }
    fEncoding = TextEncoding::Windows1252;
    fHasByteOrderMark = false;
    fFileEndsInsideLine = false;
    if (existed) {
        const QByteArray bytes = file->readAll();
        if (file->error() != QFileDevice::NoError) {
            return;
        }
        DecodedLines decoded = decodeTextLines(bytes);
        AListBuffer = std::move(decoded.lines);
        fEncoding = decoded.encoding;
        fHasByteOrderMark = fEncoding != TextEncoding::Windows1252;
        fFileEndsInsideLine = decoded.endsInsideLine;
    }
    AFileStream = std::move(file);
}

void TZAF_LogFile::CloseFile()
{
    AFileStream.reset();
}

void TZAF_LogFile::WriteAt(qint64 position, const QByteArray& bytes)
{
    QFile& file = *AFileStream;
    if (!file.seek(position) || file.write(bytes) != bytes.size() || !file.resize(position + bytes.size())) {
        throw LogWriteError(QStringLiteral("Log file %1 could not be written: %2").arg(AFilename, file.errorString()).toStdString());
    }
}

void TZAF_LogFile::AppendLineToFile(const QString& line)
{
    const QByteArray bytes = encodeTextLine(line, fEncoding);
    const QByteArray lineEnd = fFileEndsInsideLine ? encodeTextLine(QString(), fEncoding) : QByteArray();
    WriteAt(AFileStream->size(), lineEnd + bytes);
    fFileEndsInsideLine = false;
    ALastLoggedLength = bytes.size();
    FModiFied = false;
}

void TZAF_LogFile::ReplaceLastLineInFile(const QString& line)
{
    const QByteArray bytes = encodeTextLine(line, fEncoding);
    const qint64 position = qMax<qint64>(0, AFileStream->size() - ALastLoggedLength);
    WriteAt(position, bytes);
    ALastLoggedLength = bytes.size();
    FModiFied = false;
}

QString TZAF_LogFile::TimeStampedText(const QDateTime& now, const QString& text) const
{
    // The general date-time form leaves the time out at exactly midnight.
    QString stamp = formatShortDate(now.date());
    if (now.time() != QTime(0, 0)) {
        stamp += QLatin1Char(' ') + formatLongTime(now.time());
    }
    return stamp + kTimeStampSeparator + text;
}

void TZAF_LogFile::ShowMessage(const QString& message) const
{
    if (fMessageSink) {
        fMessageSink(message);
        return;
    }
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}
