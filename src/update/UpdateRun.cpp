#include "update/UpdateRun.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTime>

#include "update/InstallerStart.h"
#include "update/UpdateTexts.h"
#include "update/UpdateWindow.h"
#include "util/FileUtils.h"
#include "util/LocaleFormats.h"
#include "util/ShellFiles.h"
#include "util/TextUtils.h"

namespace {

// A notes file that arrived but stays unreadable is given up after this long.
constexpr int NotesReadTimeoutMs = 5000;
constexpr qint64 ProgressDone = 100;

// Clears the running flag however the run ends.
class RunningFlag {
public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningFlag() { flag_ = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

UpdateSettings UpdateSettings::ForRunningExecutable()
{
    UpdateSettings settings;
    settings.mainPath = WithTrailingBackslash(QCoreApplication::applicationDirPath());
    settings.tempFolder = WithTrailingBackslash(GetTempFolder());
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;
    if (GetFileVersion(QCoreApplication::applicationFilePath(), major, minor, release, build)) {
        settings.build = build;
    }
    return settings;
}

UpdateRun::UpdateRun(UpdateWindow& window, const UpdateSettings& settings)
    : fwindow(window),
      frequests(
          IdTCPClient1, settings.headerName, [this](const QString& text) { AddStatus(text); },
          [this](const QString& name, qint64 pos, qint64 size, const QString& id) {
              DownloadProgress(name, pos, size, id);
          }),
      fupdatehost(settings.updateHost),
      fupdateport(settings.updatePort),
      fheadername(settings.headerName),
      finstallerfile(settings.installerFile),
      fappnotesfile(settings.appNotesFile),
      fruninstaller(settings.runInstaller),
      frunconfirmation(settings.runConfirmation),
      fasksavelocation(settings.askSaveLocation),
      fusetempfolder(settings.useTempFolder),
      fmainpath(settings.mainPath),
      ftempfolder(settings.tempFolder),
      fbuild(settings.build)
{
}

void UpdateRun::FormActivate()
{
    if (fupdating) {
        return;
    }
    fcheckforupdates = false;
    fupdateavailable = false;
    RunUpdate();
}

bool UpdateRun::UpdateAvailable()
{
    fcheckforupdates = true;
    if (!fupdating) {
        RunUpdate();
    }
    return fupdateavailable;
}

void UpdateRun::RunUpdate()
{
    const RunningFlag running(fupdating);
    fwindow.ClearLog();
    IdTCPClient1.SetHost(fupdatehost);
    IdTCPClient1.SetPort(fupdateport);

    fwindow.SetProgressCaption(UpdateText::Updating);
    AddStatus(UpdateText::CheckingUpdatesOn + fupdatehost + QLatin1Char(':') + QString::number(fupdateport) +
              UpdateText::Ellipsis);
    fwindow.SetProgressPosition(0);

    if (!IdTCPClient1.Connected()) {
        try {
            IdTCPClient1.Connect();
        } catch (const TcpClientError&) {
            fwindow.SetProgressCaption(UpdateText::UpdateFailed);
            AddStatus(UpdateText::FailedToConnect);
            return;
        }
    }
    const bool available = CheckForNewerBuild();
    IdTCPClient1.Disconnect();
    fupdateavailable = available;
    if (fcheckforupdates) {
        return;
    }
    fwindow.ProcessPendingEvents();
    if (available) {
        ShowChangeNotes();
        if (!DownloadAndRunInstaller()) {
            return;
        }
    }
    fwindow.SetProgressPosition(ProgressDone);
    if (IdTCPClient1.Connected()) {
        IdTCPClient1.Disconnect();
    }
}

bool UpdateRun::CheckForNewerBuild()
{
    const BuildReply reply = frequests.RequestBuild(finstallerfile);
    if (!reply.accepted) {
        return false;
    }
    if (reply.number > fbuild) {
        AddStatus(UpdateText::UpdateAvailable + reply.numberLine + QLatin1Char(')'));
        return true;
    }
    AddStatus(UpdateText::NoUpdateAvailable + reply.numberLine + QLatin1Char(')'));
    fwindow.SetProgressCaption(UpdateText::NoUpdatesAvailable);
    return false;
}

void UpdateRun::ShowChangeNotes()
{
    // Notes are a courtesy: when they cannot be fetched or read the run goes on without them.
    if (!frequests.DownloadFile(fappnotesfile, ftempfolder, true)) {
        return;
    }
    const QString notesPath = WithTrailingBackslash(ftempfolder) + UpdateRequests::RemoteFileName(fappnotesfile);
    QStringList lines;
    if (!QFileInfo::exists(notesPath) || !LoadLinesRetrying(notesPath, lines, true, NotesReadTimeoutMs)) {
        return;
    }
    fwindow.SetProgressCaption(UpdateText::ViewingChangeNotes);
    fwindow.ShowInformation(lines.join(QLatin1Char('\n')));
    ShellDeleteFile(notesPath, false, false, true);
}

bool UpdateRun::DownloadAndRunInstaller()
{
    fwindow.SetProgressCaption(UpdateText::DownloadingUpdate);
    const QString installerName = UpdateRequests::RemoteFileName(finstallerfile);
    const QString proposed = (fusetempfolder ? ftempfolder : fmainpath) + installerName;
    QString chosen = proposed;
    if (fasksavelocation) {
        const std::optional<QString> answer = fwindow.AskSaveFileName(proposed);
        if (!answer) {
            AddStatus(UpdateText::UpdatingInterrupted);
            return false;
        }
        chosen = *answer;
    }
    // The installer keeps its own name in the chosen folder; that file is the one offered and
    // started, even when another name was typed, so we never start something not downloaded.
    const QString folder = WithTrailingBackslash(QFileInfo(chosen).absolutePath());
    if (!frequests.DownloadFile(finstallerfile, folder, false)) {
        return true;
    }
    fwindow.SetProgressCaption(UpdateText::UpdateDownloaded);
    if (!fruninstaller) {
        return true;
    }
    const QString installer = folder + installerName;
    if (frunconfirmation && !fwindow.Confirm(UpdateText::RunPrefix + installerName + UpdateText::RunSuffix)) {
        return true;
    }
    MakeExecutable(installer);
    fwindow.StartProgram(installer);
    fwindow.QuitApplication();
    return true;
}

void UpdateRun::AddStatus(const QString& Text)
{
    fwindow.AddLogRow(formatLongTime(QTime::currentTime()) + QStringLiteral("> ") + Text);
    fwindow.SetProgressCaption(Text);
    fwindow.ProcessPendingEvents();
}

void UpdateRun::DownloadProgress(const QString& Filename, qint64 Pos, qint64 Size, const QString& UniqueId)
{
    Q_UNUSED(Filename);
    Q_UNUSED(UniqueId);
    fwindow.SetProgressMaximum(Size);
    fwindow.SetProgressCaption(SizeToText(Pos) + UpdateText::ProgressOf + SizeToText(Size));
    fwindow.SetProgressPosition(Pos);
    fwindow.ProcessPendingEvents();
}
