#pragma once

#include <QByteArrayView>
#include <QString>

class QIODevice;

// Writes the file part of a "multipart/form-data" body to filePath (replacing that file).
// Returns the size of the written file, or -1 with message set to why nothing was written.
// The body's bytes are searched exactly: the delimiter is whatever precedes the first
// "Content-Disposition:", and the part is the first whose header carries filename=".
qint64 ExtractUploadedFile(QByteArrayView body, const QString& filePath, QString& message);
// The same over a readable body stream, read whole from its start.
qint64 ExtractUploadedFile(QIODevice* body, const QString& filePath, QString& message);
