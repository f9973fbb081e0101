#pragma once

#include <QDateTime>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <stdexcept>

#include "util/TextLines.h"

class QFile;
class TZAF_LogFile;

// Before a line is stored; the handler may change Txt, or empty it to drop the line.
using TZAF_logfile_OnLog = std::function<void(TZAF_LogFile& Sender, QString& Txt)>;
// After a line is stored, with its time stamp.
using TZAF_logfile_AfterLog = std::function<void(TZAF_LogFile& Sender, const QString& Txt)>;
// When the buffer holds more than MaxLines; a handler that changes the name rotates the log.
using TZAF_logfile_OnLogFull = std::function<void(TZAF_LogFile& Sender, QString& ALogFilename)>;
// Shows a notice to the user (the console supplies one; without it, standard error).
using TZAF_logfile_MessageSink = std::function<void(const QString& Message)>;

// Writing to the open log file failed (a full disk, for instance).
class LogWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system's log. Takes one line at a time from any thread, hands it to OnLog on the
// calling thread, time-stamps it and, when Filename is set, keeps it in a Windows-1252 file
// with CR LF line ends: appended line by line with MaxLines 0, or as a rolling window of
// the newest MaxLines lines, rewritten whole at each Save. Every operation holds the log's
// own lock; the events run under it, so a handler must never wait for another thread that
// may be logging.
class TZAF_LogFile {
public:
    TZAF_LogFile();
    ~TZAF_LogFile();
    TZAF_LogFile(const TZAF_LogFile&) = delete;
    TZAF_LogFile& operator=(const TZAF_LogFile&) = delete;

    // Assign the events before lines start to flow; they are not guarded by the lock.
    TZAF_logfile_OnLog OnLog;
    TZAF_logfile_AfterLog AfterLog;
    TZAF_logfile_OnLogFull OnLogFull;

    // The owner calls this once its properties are set; the log prepares its file.
    void Loaded();

    void Add(const QString& TexttoLog, bool AUpdateIfAlreadyExists = false);
    void Lines(QStringList& List);
    int LineCount();
    QString LastMessage();
    double LastTime();  // day number of the last line added; 0 for none
    bool LogFileOpen();
    void Save();
    void CloseLogFile();
    // Deletes the file whatever ADeleteFileIfExists says.
    void Clear(bool ADeleteFileIfExists);

    QString Filename();
    void SetFilename(const QString& Value);
    int MaxLines();
    void SetMaxLines(int Value);  // negative values are ignored
    bool TimeStamp();
    void SetTimeStamp(bool Value);
    bool DisableTempBuffering();
    void SetDisableTempBuffering(bool Value);

    void SetMessageSink(TZAF_logfile_MessageSink Sink);
    // The source of "now"; tests set a fixed clock.
    void SetClock(std::function<QDateTime()> Clock);

private:
    void Prepare();
    void Trim();
    void Flush();
    void OpenOrCreateFile();
    void CloseFile();
    void WriteAt(qint64 position, const QByteArray& bytes);
    void AppendLineToFile(const QString& line);
    void ReplaceLastLineInFile(const QString& line);
    QString TimeStampedText(const QDateTime& now, const QString& text) const;
    void ShowMessage(const QString& message) const;

    QRecursiveMutex ALock;
    QString AFilename;
    QStringList AListBuffer;
    bool FNoTempBufferNeeded = false;
    std::unique_ptr<QFile> AFileStream;
    bool AAddTimeStamp = true;
    int AMaxLines = 0;
    double ALastTime = 0;
    QString ALastMessage;
    qint64 ALastLoggedLength = 0;
    bool FModiFied = false;

    TextEncoding fEncoding = TextEncoding::Windows1252;
    bool fHasByteOrderMark = false;
    // The file was loaded without a final line end, so the next appended line needs one first.
    bool fFileEndsInsideLine = false;
    // The last message was stored in this file as its last line, so it may be replaced.
    bool fLastMessageInFile = false;
    TZAF_logfile_MessageSink fMessageSink;
    std::function<QDateTime()> fClock;
};
