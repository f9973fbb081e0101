#pragma once

#include <QTcpServer>

#include <functional>

// A listening socket that hands each accepted descriptor on, without making a socket object.
class HttpListener : public QTcpServer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpListener)

public:
    explicit HttpListener(std::function<void(qintptr)> onAccepted, QObject* parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    std::function<void(qintptr)> onAccepted_;
};
