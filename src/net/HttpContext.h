#pragma once

#include <QString>

// The client's end of one connection.
struct TIdSocketHandle
{
    QString PeerIP;       // dotted decimal for IPv4 clients, textual IPv6 form otherwise
    quint16 PeerPort = 0;
};

// What the handler knows of the connection a request came on.
class TIdContext
{
public:
    TIdSocketHandle Binding;
};
