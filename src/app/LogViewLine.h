#pragma once

#include <QString>
#include <QTime>

// A log line as the log view shows it: the local time in the long time format, "> ", the line.
QString LogViewLine(const QString& Txt, const QTime& now = QTime::currentTime());
