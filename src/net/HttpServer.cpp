#include "net/HttpServer.h"

#include "net/HttpServerEngine.h"

TIdHTTPServer::TIdHTTPServer() = default;

TIdHTTPServer::~TIdHTTPServer()
{
    SetActive(false);
}

bool TIdHTTPServer::Active() const
{
    return engine_ != nullptr;
}

void TIdHTTPServer::SetActive(bool active)
{
    if (active == Active()) {
        return;
    }
    if (!active) {
        engine_->stop();
        engine_.reset();
        return;
    }
    auto engine = std::make_unique<HttpServerEngine>(limits_, OnCommandGet);
    engine->start(quint16(defaultPort_ & 0xFFFF));
    engine_ = std::move(engine);
}

quint16 TIdHTTPServer::ListeningPort() const
{
    return engine_ ? engine_->port() : 0;
}

void TIdHTTPServer::PurgeStaleSessions(bool purgeAll)
{
    if (engine_) {
        engine_->sessions().purge(purgeAll, engine_->nowMs());
    }
}
