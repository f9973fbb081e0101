#pragma once

#include <QString>

// "Revision " and the executable's four version numbers joined by ".", all 0 when it has none.
QString RevisionText(const QString& executablePath);
