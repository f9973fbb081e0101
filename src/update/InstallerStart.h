#pragma once

#include <QString>

// Lets the owner, group and others who may read the file also execute it.
bool MakeExecutable(const QString& path);

// Starts the program at path, detached, with no arguments and no shell in between, so
// blanks and other characters in the path are safe. True when it started.
bool StartDetachedProgram(const QString& path);
