#pragma once
// What the user's Trash holds, for tests of files moved there.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>

#include "util/UserTrash.h"

// Whether some file in the user's Trash holds exactly these bytes.
inline bool TrashHolds(const QByteArray& contents)
{
    for (QDirIterator it(userTrashFolder() + "/files", QDir::Files); it.hasNext();) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll() == contents) {
            return true;
        }
    }
    return false;
}
