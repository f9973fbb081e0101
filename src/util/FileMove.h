#pragma once

#include <QString>

// Moves from to to, replacing a file already at to. A rename where the file system allows it;
// across file systems a copy that replaces the target in one step, then the original is
// removed. Folders move only within one file system. False when nothing was moved, and also
// when the copy arrived but the original could not be removed (both then exist).
bool moveFileReplacing(const QString& from, const QString& to);
