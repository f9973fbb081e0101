#pragma once

#include <QString>

// Moves a file, link or folder into the user's freedesktop.org Trash under trashFolder
// (normally $XDG_DATA_HOME/Trash): the item goes to files/<name>, and info/<name>.trashinfo
// records where it came from and when, so a file manager can restore it. A name already in
// the Trash gets a number ("notes.2.txt"). False when nothing was moved.
bool moveToTrash(const QString& path, const QString& trashFolder);

// The Trash of the current user.
QString userTrashFolder();
