#pragma once

#include <QByteArray>
#include <QString>

class TIdHTTPResponseInfo;

// ISO-8859-1 bytes of `text`; a character it cannot hold becomes "&#N;" with N its code point
// (a surrogate pair gives one reference), so the page shows the right character. Written into
// `buffer` when its capacity suffices.
QByteArray EncodeLatin1WithReferences(QStringView text, QByteArray buffer = QByteArray());

// The standard reason phrase of a status code ("Not Found"), or empty.
QString ReasonPhrase(int status);

// Status line and headers, up to and including the empty line, for a body of `bodyLength` bytes.
QByteArray BuildResponseHead(const TIdHTTPResponseInfo& response, qint64 bodyLength);

// A complete bodiless answer the server gives on its own (400, 411, 413, 417).
QByteArray BuildBodilessAnswer(int status);

// The interim answer to "Expect: 100-continue".
QByteArray ContinueAnswer();
