#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// A volume serial number as 8 upper-case hexadecimal digits: 0x1A2B gives "00001A2B".
QString FormatVolumeSerial(quint32 serial);

// Whether a file system of this statfs type is on a local disk (fixed or removable), not a
// network share, an optical disc or memory.
bool IsLocalDiskFileSystem(qint64 fileSystemType);

// File facts for the about and update dialogs, read once when the component is created.
class TZAF_files : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TZAF_files)

public:
    explicit TZAF_files(QObject* owner = nullptr);

    // The root file system's volume serial; empty when it cannot be read.
    QString DiskSerial() const { return fDiskSerial; }
    // The running executable lies on a local disk.
    bool OnlocalDrive() const { return fOnlocalDrive; }

    // Opens the desktop's file browser on Folder; nothing is reported.
    void ExploreFolder(const QString& Folder) const;
    // Clears List, then adds labelled lines about the file ("FileVersion=1.0.0.1", ...).
    void GetFileInfo(const QString& filename, QStringList& List) const;

private:
    QString fDiskSerial;
    bool fOnlocalDrive = false;
};
