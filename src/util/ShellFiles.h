#pragma once

#include <QString>

// The shell's special folders we know; any other number names no folder here.
constexpr int kSpecialFolderUserData = 26;     // per-user application data
constexpr int kSpecialFolderDocuments = 5;     // the user's documents
constexpr int kSpecialFolderCommonData = 35;   // application data shared by all users

// The four version numbers of FileName. Only the running executable carries them (fixed at
// build time); for any other file the result is false and the out-values stay as they were.
bool GetFileVersion(const QString& FileName, int& Major, int& Minor, int& Release, int& Build);

// The system's temporary folder, with a trailing "/". Creates nothing.
QString GetTempFolder();

// The special folder's path without a trailing "/"; empty for an unknown number.
QString GetSpecialFolder(int Csidl);

// Deletes one file or symbolic link: to the user's Trash when AllowUndo, otherwise for good.
// A missing file gives false. ShowProgress and Confirm have no effect: nothing is ever shown.
bool ShellDeleteFile(const QString& FileName, bool ShowProgress, bool Confirm, bool AllowUndo);

// Moves one file, replacing a file already at ToName; an existing folder as ToName receives
// the file under its own name. Works across file systems (copy, then delete the original).
// ShowProgress, Confirm and AllowUndo have no effect.
bool ShellMoveFile(const QString& FromName, const QString& ToName, bool ShowProgress, bool Confirm,
                   bool AllowUndo);
