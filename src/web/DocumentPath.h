#pragma once

#include <QString>

// Maps a request's decoded document path to a local path: the base folder, "/", then the
// document, with every run of "/" collapsed into one. Nothing else is normalised here.
QString MapDocumentPath(const QString& baseFolder, const QString& document);

// The text after the mapped path's last "/" (empty when it ends with one).
QString LeafOfMappedPath(const QString& mappedPath);

// True when mappedPath names an existing regular file whose canonical path, with symbolic
// links resolved and "." and ".." applied, lies inside the canonical base folder. Anything
// else is never served.
bool IsServableFile(const QString& baseFolder, const QString& mappedPath);
