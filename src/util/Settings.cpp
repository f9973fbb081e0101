#include "util/Settings.h"

#include <QMutexLocker>

TSettingsData Settings;

namespace {

template <typename T>
T lockedCopy(const T& field)
{
    QMutexLocker locker(&Settings.Lock);
    return field;
}

}  // namespace

QString GetLogoPicture()
{
    return lockedCopy(Settings.LogoPicture);
}

bool GetLeaveCopy()
{
    return lockedCopy(Settings.LeaveCopy);
}

bool GetDisableUpload()
{
    return lockedCopy(Settings.disableupload);
}

bool GetDisableModify()
{
    return lockedCopy(Settings.disablemodify);
}

bool GetSearchWithWildcards()
{
    return lockedCopy(Settings.SearchWithWildcards);
}

QString GetAppFolder()
{
    return lockedCopy(Settings.AppFolder);
}

void SetAppFolder(const QString& folder)
{
    QMutexLocker locker(&Settings.Lock);
    Settings.AppFolder = folder;
}

QString GetDataFolder()
{
    return lockedCopy(Settings.DataFolder);
}

void SetDataFolder(const QString& folder)
{
    QMutexLocker locker(&Settings.Lock);
    Settings.DataFolder = folder;
}
