#pragma once

#include <QRecursiveMutex>
#include <QString>

// The server's settings, shared by the console and every HTTP connection thread.
// Connection threads read through the accessors below; the console assigns a field while
// holding Lock itself. Start-up and shut-down touch the fields without the lock, because no
// connection thread exists then.
struct TSettingsData {
    QRecursiveMutex Lock;       // guards every other field; held only for one field copy
    QString AppFolder;          // folder of the executable, with a trailing separator
    QString DataFolder;         // per-user data folder, with a trailing separator
    qint32 Port = 0;            // only its low 16 bits reach the server
    QString LogoPicture;        // full path of the logo in every page header
    bool LeaveCopy = false;     // keep the uploaded photo as it arrived
    bool disableupload = false;
    bool disablemodify = false;
    bool SearchWithWildcards = false;
};

// The one instance. Its lock lives as long as the program, so an accessor called before
// start-up or after shut-down is harmless.
extern TSettingsData Settings;

QString GetLogoPicture();
bool GetLeaveCopy();
bool GetDisableUpload();
bool GetDisableModify();
bool GetSearchWithWildcards();
QString GetAppFolder();
void SetAppFolder(const QString& folder);
QString GetDataFolder();
void SetDataFolder(const QString& folder);
