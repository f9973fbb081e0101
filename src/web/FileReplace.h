#pragma once

#include <QByteArrayView>
#include <QString>

// Writes bytes to a new file in path's folder and renames it over path, so readers see the
// old file or the new one, never a part. False with error set when anything fails; the old
// file then stays as it was.
bool WriteFileReplacing(const QString& path, QByteArrayView bytes, QString& error);
