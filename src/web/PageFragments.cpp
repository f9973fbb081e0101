#include "web/PageFragments.h"

QString MessageRow(const QString& html)
{
    return QLatin1String("<tr><td colspan=") + QString::number(kPageColumns)
        + QLatin1String("><font face=\"verdana\" size=2 color=#000000>") + html
        + QLatin1String("</td></tr>");
}

QString ContinueRow()
{
    return QLatin1String("<tr><form action=\"/\"><td colspan=") + QString::number(kPageColumns)
        + QLatin1String("><input type=submit value=\"Continue\"><br><br></td></form></tr>");
}
