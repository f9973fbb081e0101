#include "net/HttpListener.h"

HttpListener::HttpListener(std::function<void(qintptr)> onAccepted, QObject* parent)
    : QTcpServer(parent)
    , onAccepted_(std::move(onAccepted))
{
}

void HttpListener::incomingConnection(qintptr descriptor)
{
    onAccepted_(descriptor);
}
