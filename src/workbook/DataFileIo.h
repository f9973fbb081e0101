#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Whole-file reads and writes of the workbook's files, with retries for files that another
// program holds for a moment.

// The file's bytes; no value when it does not exist or stays unreadable over all attempts.
std::optional<QByteArray> readFileRetrying(const QString& path);

// Replaces the file atomically: the bytes go to a temporary file in the target's folder, are
// flushed to disk and the temporary file is renamed over the target, so the target always
// holds either its old or its new content. Up to 10 attempts 50 ms apart.
bool replaceFileRetrying(const QString& path, const QByteArray& bytes);

// Test seam: the next `attempts` replace attempts fail as a full disk would, after
// `afterBytes` bytes have reached the temporary file. Cleared by a call with 0 attempts.
void injectReplaceFaultForTesting(int attempts, qint64 afterBytes);
