#pragma once

#include <QString>

// A page of exactly `size` bytes that looks like a listing, for the HTTP server benchmarks.
inline QString FixedBenchPage(int size)
{
    const QString head = QStringLiteral("<html><head><title>Corvale</title></head><body><table>");
    const QString tail = QStringLiteral("</table></body></html>");
    QString page = head;
    const QString row = QStringLiteral("<tr><td>Smith John</td><td>+358 40 123 4567</td></tr>\n");
    while (page.size() + row.size() + tail.size() <= size) {
        page += row;
    }
    page += QString(qMax(0, int(size - page.size() - tail.size())), QLatin1Char(' '));
    page += tail;
    return page.left(size);
}
