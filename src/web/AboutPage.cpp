#include "web/AboutPage.h"

#include "web/PageFragments.h"

namespace {

const QLatin1String kNoticeLine("Copyright &copy; 2008-2026 the Corvale developers<br>");
const QLatin1String kHomePageLine(
    "Home page: <a href=\"https://corvale.example.org/\">https://corvale.example.org/</a><br>");

}  // namespace

QString AboutPageBody()
{
    return MessageRow(QLatin1String("Corvale<hr>") + kNoticeLine + kHomePageLine + QLatin1String("<br>"));
}
