#pragma once

#include <QString>

// Media type of a file by its extension (with the dot, any case), from a built-in table;
// "application/octet-stream" for an extension it does not know.
QString MediaTypeForExtension(QStringView extension);
QString MediaTypeForFile(const QString& fileName);
