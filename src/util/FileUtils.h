#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

// Loads the lines of a text file (Windows-1252, or as its byte-order mark says; CR LF, LF or
// CR line ends), retrying in series of 10 attempts 50 ms apart. False at once when the file
// does not exist. With wait, further series follow: without end for a negative timeout,
// otherwise until timeout milliseconds have passed; waiting ends when the file disappears.
bool LoadLinesRetrying(const QString& file, QStringList& lines, bool wait, int timeout);

// Saves the lines in Windows-1252, each ended by CR LF, no byte-order mark. The file is
// replaced in one step, so readers see the old or the new file, never a part. Up to 10
// attempts 50 ms apart.
bool SaveLinesRetrying(const QString& file, const QStringList& lines);

// Creating the application data folder failed.
class FolderCreateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The application's data folder: the user's data folder (else the documents folder) or, when
// not perUser, the data folder shared by all users; then subFolder, then appFile's name
// without its extension. With create, missing folders are made (FolderCreateError when that
// fails). No trailing "/" unless a part supplied one.
QString AppDataFolder(const QString& appFile, const QString& subFolder, bool perUser, bool create);

// Replaces the extension of the file name: everything from its last "." on, a "." in a
// folder name not counting. An empty extension only removes it; one without a leading "."
// gets one.
QString ChangeExtension(const QString& fileName, const QString& extension);

// The last-write time (day number, local time, whole even seconds) of the first file or folder
// matching path, whose name part may hold "*" and "?"; 0 when nothing matches.
double FileTimeOf(const QString& path);
