#pragma once

#include <QString>

#include "net/TcpLineClient.h"
#include "update/UpdateRequests.h"

class UpdateWindow;

// Where an update run looks and what it does once it finds a newer build.
struct UpdateSettings {
    QString updateHost = QStringLiteral("update.corvale.com");
    quint16 updatePort = 4995;
    QString headerName = QStringLiteral("UpdateAtQuenby");
    QString installerFile = QStringLiteral("\\Corvale\\CorvaleInstall.exe");
    QString appNotesFile = QStringLiteral("\\Corvale\\changes.txt");
    bool runInstaller = true;       // offer to run the installer once downloaded
    bool runConfirmation = true;    // ask before running it
    bool askSaveLocation = true;    // ask where to save it; otherwise the proposed place is used
    bool useTempFolder = false;     // propose the temporary folder instead of the main path
    QString mainPath;               // the executable's folder, with a trailing "/"
    QString tempFolder;             // the temporary folder, with a trailing "/"
    qint32 build = 0;               // build number of the running executable, 0 without version

    // The values for the running executable: its folder, the system's temporary folder, its build.
    static UpdateSettings ForRunningExecutable();
};

// The update check and download, driving a window through UpdateWindow. Everything blocks
// the calling thread; the window is kept alive between steps. Errors raised by the
// connection pass out of RunUpdate, FormActivate and UpdateAvailable to the caller.
class UpdateRun {
public:
    UpdateRun(UpdateWindow& window, const UpdateSettings& settings);

    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    // On every activation of the window: a full run, unless one is in progress.
    void FormActivate();
    // A run that stops after the check; true when the server has a newer build.
    bool UpdateAvailable();
    void RunUpdate();

    void AddStatus(const QString& Text);
    void DownloadProgress(const QString& Filename, qint64 Pos, qint64 Size, const QString& UniqueId);

    bool Updating() const { return fupdating; }
    TIdTCPClient& Client() { return IdTCPClient1; }

private:
    bool CheckForNewerBuild();
    void ShowChangeNotes();
    // Steps from the save dialog to starting the installer; false when the user cancelled.
    bool DownloadAndRunInstaller();

    UpdateWindow& fwindow;
    TIdTCPClient IdTCPClient1;
    UpdateRequests frequests;

    QString fupdatehost;
    quint16 fupdateport;
    QString fheadername;
    QString finstallerfile;
    QString fappnotesfile;
    bool fruninstaller;
    bool frunconfirmation;
    bool fasksavelocation;
    bool fusetempfolder;
    QString fmainpath;
    QString ftempfolder;
    qint32 fbuild;
    bool fupdating = false;
    bool fcheckforupdates = false;
    bool fupdateavailable = false;
};
