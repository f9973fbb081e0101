#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>

#include "net/HttpContext.h"
#include "net/HttpLimits.h"
#include "net/HttpRequestInfo.h"
#include "net/HttpResponseInfo.h"

// Setting Active true failed: a listening socket could not be made (port in use, no permission).
class EIdCouldNotBindSocket : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A handler that raises this has lost its connection: the server drops it without a response.
// Every other exception from the handler becomes a 500 response carrying its message.
class EIdSocketError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class HttpServerEngine;

// The embedded HTTP/1.1 server: one request per connection, answered with "Connection: close".
// Accepting threads of the server's own hand each connection to a bounded pool of handler
// threads, which serve the sockets without blocking and run OnCommandGet once a request is
// complete; a slow or idle client holds no thread.
class TIdHTTPServer
{
public:
    using CommandHandler =
        std::function<void(TIdContext&, TIdHTTPRequestInfo&, TIdHTTPResponseInfo&)>;

    TIdHTTPServer();
    ~TIdHTTPServer();   // stops the server first
    TIdHTTPServer(const TIdHTTPServer&) = delete;
    TIdHTTPServer& operator=(const TIdHTTPServer&) = delete;

    // Called for every HEAD, GET and POST request, on a handler thread, several at once.
    // Set before activating.
    CommandHandler OnCommandGet;

    int DefaultPort() const { return defaultPort_; }
    void SetDefaultPort(int port) { defaultPort_ = port; }   // only the low 16 bits are used

    // Limits and sizes; set before activating (tests make them small).
    const THttpServerLimits& Limits() const { return limits_; }
    void SetLimits(const THttpServerLimits& limits) { limits_ = limits; }

    bool Active() const;
    // true: listens on every IPv4 and (where supported) IPv6 address; throws
    // EIdCouldNotBindSocket when a binding cannot be made. false: closes the listeners and every
    // open connection and waits for the handler threads before returning.
    void SetActive(bool active);

    // The port actually listened on (differs from DefaultPort when that is 0); 0 when inactive.
    quint16 ListeningPort() const;

    // Ends sessions: every session with `purgeAll`, otherwise those past the time-out.
    void PurgeStaleSessions(bool purgeAll);

private:
    int defaultPort_ = 81;
    THttpServerLimits limits_;
    std::unique_ptr<HttpServerEngine> engine_;
};
