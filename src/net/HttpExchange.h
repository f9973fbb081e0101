#pragma once

#include "net/HttpServer.h"

class HttpBufferPool;
class HttpSessionList;
struct HttpRawRequest;
struct HttpResponseBytes;
struct TIdSocketHandle;
class TIdHTTPRequestInfo;

// Values of the request's session cookies, in the order sent.
QStringList SessionCookieValues(const TIdHTTPRequestInfo& request);

// One request turned into the bytes of its answer, on a handler thread: decoding, the session,
// the handler call and the response head. `response` is filled in place.
void ServeRequest(HttpRawRequest&& raw, const TIdSocketHandle& binding,
                  const TIdHTTPServer::CommandHandler& handler, HttpSessionList& sessions,
                  HttpBufferPool& buffers, qint64 nowMs, HttpResponseBytes& bytes);
