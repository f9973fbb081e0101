#include "web/DocumentPath.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString withoutTrailingSlashes(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    return folder;
}

QString collapsedSlashes(const QString& path)
{
    QString out;
    out.reserve(path.size());
    for (QChar c : path) {
        if (c == QLatin1Char('/') && out.endsWith(QLatin1Char('/'))) {
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace

QString MapDocumentPath(const QString& baseFolder, const QString& document)
{
    // Backslashes were turned into "/" by the server's path decoding already.
    return collapsedSlashes(withoutTrailingSlashes(baseFolder) + QLatin1Char('/') + document);
}

QString LeafOfMappedPath(const QString& mappedPath)
{
    return mappedPath.mid(mappedPath.lastIndexOf(QLatin1Char('/')) + 1);
}

bool IsServableFile(const QString& baseFolder, const QString& mappedPath)
{
    const QFileInfo file(mappedPath);
    if (!file.isFile()) {
        return false;
    }
    const QString canonicalBase = QFileInfo(baseFolder).canonicalFilePath();
    const QString canonicalFile = file.canonicalFilePath();
    if (canonicalBase.isEmpty() || canonicalFile.isEmpty()) {
        return false;
    }
    const QString inside = canonicalBase.endsWith(QLatin1Char('/')) ? canonicalBase
                                                                     : canonicalBase + QLatin1Char('/');
    return canonicalFile.startsWith(inside);
}
