#pragma once

#include <QByteArray>
#include <QString>

// Test helpers for servers on the loopback interface.

// A port nothing listens on at the moment of the call.
quint16 FreeLoopbackPort();

struct HttpReply {
    int status = 0;  // 0 when no answer came
    QByteArray body;
};

// One blocking GET on 127.0.0.1; no answer within a generous time gives status 0.
HttpReply HttpGet(quint16 port, const QByteArray& target);

// Whether a connection to 127.0.0.1 on the port is accepted.
bool AcceptsConnections(quint16 port);
