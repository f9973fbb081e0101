#include "app/AppFolders.h"

#include "util/ShellFiles.h"

QString UserDataFolderFor(const QString& applicationTitle)
{
    QString root = GetSpecialFolder(kSpecialFolderUserData);
    if (root.isEmpty()) {
        root = GetSpecialFolder(kSpecialFolderDocuments);
    }
    if (!root.endsWith(QLatin1Char('/'))) {
        root += QLatin1Char('/');
    }
    const qsizetype dot = applicationTitle.lastIndexOf(QLatin1Char('.'));
    const QString name = dot < 0 ? applicationTitle : applicationTitle.left(dot);
    return root + name + QLatin1Char('/');
}
