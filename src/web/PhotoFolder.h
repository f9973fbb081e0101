#pragma once

#include <QSet>
#include <QString>

// The photos beside the directory: base folder + "/photos/" + name + ".jpg".
// A list page asks for every shown row, so the folder is read once per page instead of
// testing one file per row.
class PhotoFolder {
public:
    explicit PhotoFolder(const QString& baseFolder);

    bool HasPhoto(const QString& name) const;

    static QString PhotoPath(const QString& baseFolder, const QString& name);

private:
    QSet<QString> names_;  // of the files ending in ".jpg", without that ending
};
