#include "web/PhotoFolder.h"

#include <QDir>
#include <QDirIterator>

namespace {

const QLatin1String kPhotosFolder("photos");
const QLatin1String kPhotoExtension(".jpg");

}  // namespace

PhotoFolder::PhotoFolder(const QString& baseFolder)
{
    // Symbolic links to files count, like the existence test they stand in for.
    QDirIterator files(baseFolder + QLatin1Char('/') + kPhotosFolder,
                       QDir::Files | QDir::Hidden);
    while (files.hasNext()) {
        files.next();
        const QString fileName = files.fileName();
        if (fileName.endsWith(kPhotoExtension)) {
            names_.insert(fileName.chopped(kPhotoExtension.size()));
        }
    }
}

bool PhotoFolder::HasPhoto(const QString& name) const
{
    // A name holding "/" would name another folder; such a name never has a photo.
    if (name.contains(QLatin1Char('/'))) {
        return false;
    }
    return names_.contains(name);
}

QString PhotoFolder::PhotoPath(const QString& baseFolder, const QString& name)
{
    return baseFolder + QLatin1Char('/') + kPhotosFolder + QLatin1Char('/') + name + kPhotoExtension;
}
