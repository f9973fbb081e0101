#pragma once

#include <QString>
#include <QStringView>

// Values inserted into our pages go through here, so markup or quotes inside a name or a
// search word stay text: & < > " become &amp; &lt; &gt; &quot;, and characters that
// ISO-8859-1 cannot hold become numeric references by code point.
void AppendHtmlEscaped(QString& out, QStringView value);
QString HtmlEscaped(QStringView value);

// For a value placed in a URL path inside an attribute: escapes as above and additionally
// percent-encodes "%", "#", "?", ":" and "/", which would otherwise end the path, start an
// escape, or turn a relative address into a scheme or another host.
QString HtmlEscapedPathPart(QStringView value);

// For a value placed in a URL query inside an attribute: escapes and percent-encodes "%",
// "#", "&" and "+", which would end the query or read as a separator or a blank.
QString HtmlEscapedQueryValue(QStringView value);
