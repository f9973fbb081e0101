#pragma once

#include <QString>

// The per-user data folder for an application title: the user's application data folder (or,
// when the system names none, the documents folder), then the title without its extension,
// with a trailing "/". Creates nothing.
QString UserDataFolderFor(const QString& applicationTitle);
