#include "app/LogViewLine.h"

#include "util/LocaleFormats.h"

QString LogViewLine(const QString& Txt, const QTime& now)
{
    return formatLongTime(now) + QStringLiteral("> ") + Txt;
}
