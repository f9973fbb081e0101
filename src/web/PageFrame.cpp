#include "web/PageFrame.h"

#include <QFileInfo>

#include "util/LocaleFormats.h"
#include "web/HtmlEscape.h"
#include "web/PageFragments.h"

namespace {

const QLatin1String kHeaderStart(
    "<html><head><title>Corvale</title><meta http-equiv=\"content-type\" content=\"text-html; "
    "charset=ISO-8859-1\"></head><body bgcolor=#cccccc "
    "onLoad=\"document.forms.SearchForm.searchfor.focus()\"><font face=\"Verdana\" size=2 "
    "color=#000000><center><table width=800 bgcolor=#efefef><tr><td colspan=7 "
    "bgcolor=#183173><font face=\"Verdana\" size=2 color=#183173>Header</td></tr>");

const QLatin1String kTitleFont("<font face=\"Verdana\" color=#333333 size=5>Corvale");
const QLatin1String kTextFont("<font face=\"Verdana\" size=2 color=#000000>");

const QLatin1String kLinks(
    "<center><font face=\"Verdana\" size=2 color=#000000><a href=\"/\">Home</a>, <a "
    "href=\"/add\">Add new</a>, <a href=\"/about\">About Corvale</a></center></td></tr>");

const QLatin1String kFooterEnd(
    "<tr><td colspan=7 bgcolor=#183173><font face=\"Verdana\" size=2 "
    "color=#183173>Footer</td></tr></table></center></body></html>");

QString rowStart()
{
    return QLatin1String("<tr><td colspan=") + QString::number(kPageColumns) + QLatin1Char('>');
}

QString separatorRow()
{
    return rowStart() + QLatin1String("<font face=\"Verdana\" size=2 color=#efefef>--</td></tr>");
}

QString logoFileName(const QString& logoPicture)
{
    return logoPicture.mid(logoPicture.lastIndexOf(QLatin1Char('/')) + 1);
}

QString titleCell(const QString& logoPicture)
{
    QString cell = rowStart();
    if (!logoPicture.isEmpty() && QFileInfo(logoPicture).isFile()) {
        // Always addressed inside "/pictures/", whatever folder the setting names.
        cell += QLatin1String("<img src=\"/pictures/") + HtmlEscapedPathPart(logoFileName(logoPicture))
            + QLatin1String("\" align=right>");
    }
    return cell + kTitleFont;
}

QString searchFormRow(const QString& searchFor)
{
    return QLatin1String("<tr><form name=\"SearchForm\" action=\"/\" method=post><td colspan=")
        + QString::number(kPageColumns) + QLatin1String("><center>") + kTextFont
        + QLatin1String("<input type=edit size=105 name=\"searchfor\" value=\"") + HtmlEscaped(searchFor)
        + QLatin1String("\"><input halign=right type=\"submit\" value=\"Search\"></center></td></form></tr>");
}

}  // namespace

QString PageDateText(const QDateTime& now)
{
    const QString date = formatShortDate(now.date());
    if (now.time() == QTime(0, 0)) {
        return date;
    }
    return date + QLatin1Char(' ') + formatLongTime(now.time());
}

QString BuildPageHeader(const QString& searchFor, const QString& logoPicture, const QDateTime& now)
{
    return kHeaderStart + titleCell(logoPicture) + QLatin1String("<br>") + kTextFont
        + HtmlEscaped(PageDateText(now)) + QLatin1String("</td></tr>") + separatorRow()
        + searchFormRow(searchFor) + rowStart() + kLinks + separatorRow();
}

QString BuildPageFooter()
{
    return rowStart() + kLinks + kFooterEnd;
}
