#include "web/PageFrame.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "util/LocaleFormats.h"

namespace {

const LocaleFormats kFinnishFormats{"d.M.yyyy", "H:mm:ss", QChar(',')};

const QString kHeaderStart =
    "<html><head><title>Corvale</title><meta http-equiv=\"content-type\" content=\"text-html; "
    "charset=ISO-8859-1\"></head><body bgcolor=#cccccc onLoad=\"document.forms.SearchForm.searchfor.focus()\">"
    "<font face=\"Verdana\" size=2 color=#000000><center><table width=800 bgcolor=#efefef><tr><td colspan=7 "
    "bgcolor=#183173><font face=\"Verdana\" size=2 color=#183173>Header</td></tr>";

QString headerRest(const QString& dateText, const QString& searchBoxValue)
{
    return "<br><font face=\"Verdana\" size=2 color=#000000>" + dateText + "</td></tr>"
        "<tr><td colspan=7><font face=\"Verdana\" size=2 color=#efefef>--</td></tr>"
        "<tr><form name=\"SearchForm\" action=\"/\" method=post><td colspan=7><center>"
        "<font face=\"Verdana\" size=2 color=#000000><input type=edit size=105 name=\"searchfor\" value=\""
        + searchBoxValue
        + "\"><input halign=right type=\"submit\" value=\"Search\"></center></td></form></tr>"
          "<tr><td colspan=7><center><font face=\"Verdana\" size=2 color=#000000><a href=\"/\">Home</a>, "
          "<a href=\"/add\">Add new</a>, <a href=\"/about\">About Corvale</a></center></td></tr>"
          "<tr><td colspan=7><font face=\"Verdana\" size=2 color=#efefef>--</td></tr>";
}

TEST(PageFrame, HeaderWithAndWithoutLogo)
{
    ScopedLocaleFormats formats(kFinnishFormats);
    QTemporaryDir dir;
    const QString logo = dir.filePath("tidewell.gif");
    QFile file(logo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("GIF89a");
    file.close();
    const QDateTime afternoon(QDate(2026, 3, 7), QTime(14, 5, 9));

    EXPECT_EQ(BuildPageHeader("mit", logo, afternoon),
              kHeaderStart
                  + "<tr><td colspan=7><img src=\"/pictures/tidewell.gif\" align=right><font face=\"Verdana\" "
                    "color=#333333 size=5>Corvale"
                  + headerRest("7.3.2026 14:05:09", "mit"));
    EXPECT_EQ(BuildPageHeader("", dir.filePath("missing.gif"), afternoon),
              kHeaderStart + "<tr><td colspan=7><font face=\"Verdana\" color=#333333 size=5>Corvale"
                  + headerRest("7.3.2026 14:05:09", ""));
}

TEST(PageFrame, SearchBoxShowsTheValueAsReceivedButEscaped)
{
    ScopedLocaleFormats formats(kFinnishFormats);
    const QString header = BuildPageHeader("&#49;\"<b>SMITH", "", QDateTime(QDate(2026, 3, 7), QTime(1, 2, 3)));
    EXPECT_TRUE(header.contains("name=\"searchfor\" value=\"&amp;#49;&quot;&lt;b&gt;SMITH\"")) << header.toStdString();
}

TEST(PageFrame, DateLineLeavesOutTheTimeAtExactlyMidnight)
{
    ScopedLocaleFormats formats(kFinnishFormats);
    EXPECT_EQ(PageDateText(QDateTime(QDate(2026, 12, 24), QTime(0, 0))), QString("24.12.2026"));
    EXPECT_EQ(PageDateText(QDateTime(QDate(2026, 12, 24), QTime(0, 0, 0, 1))), QString("24.12.2026 0:00:00"));
}

TEST(PageFrame, FooterBytes)
{
    EXPECT_EQ(BuildPageFooter(),
              QString("<tr><td colspan=7><center><font face=\"Verdana\" size=2 color=#000000><a href=\"/\">Home</a>, "
                      "<a href=\"/add\">Add new</a>, <a href=\"/about\">About Corvale</a></center></td></tr><tr><td "
                      "colspan=7 bgcolor=#183173><font face=\"Verdana\" size=2 color=#183173>Footer</td></tr>"
                      "</table></center></body></html>"));
}

}  // namespace
