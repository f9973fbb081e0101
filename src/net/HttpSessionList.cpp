#include "net/HttpSessionList.h"

#include <QMutexLocker>
#include <QRandomGenerator>

const QString HttpSessionList::CookieName = QStringLiteral("IDHTTPSESSIONID");

namespace {
const char IdentifierAlphabet[] = "qwertzuiopasdfghjklyxcvbnmQWERTZUIOPASDFGHJKLYXCVBNM1234567890";
}

HttpSessionList::HttpSessionList(qint64 timeoutMs)
    : timeoutMs_(timeoutMs)
{
}

HttpSessionList::Lookup HttpSessionList::touchOrStart(const QStringList& cookieValues,
                                                      const QString& peer, qint64 nowMs)
{
    QMutexLocker lock(&mutex_);
    for (const QString& value : cookieValues) {
        const auto found = sessions_.find(value);
        if (found != sessions_.end() && found->peer == peer && isLive(*found, nowMs)) {
            found->lastUseMs = nowMs;
            uses_.push_back({found.key(), nowMs});
            return {found.key(), false};
        }
    }
    // Identifiers are kept unique over all peers, which is stricter than per peer.
    QString identifier;
    do {
        identifier = randomIdentifier();
    } while (sessions_.contains(identifier));
    sessions_.insert(identifier, {peer, nowMs});
    uses_.push_back({identifier, nowMs});
    return {identifier, true};
}

void HttpSessionList::purge(bool all, qint64 nowMs)
{
    QMutexLocker lock(&mutex_);
    if (all) {
        sessions_.clear();
        uses_.clear();
        return;
    }
    while (!uses_.empty() && nowMs - uses_.front().useMs > timeoutMs_) {
        const auto found = sessions_.find(uses_.front().identifier);
        // A later use of the session has its own stamp further back.
        if (found != sessions_.end() && found->lastUseMs == uses_.front().useMs) {
            sessions_.erase(found);
        }
        uses_.pop_front();
    }
}

int HttpSessionList::count() const
{
    QMutexLocker lock(&mutex_);
    return int(sessions_.size());
}

// A session past its time-out is dead even before the next cleaning pass removes it.
bool HttpSessionList::isLive(const Session& session, qint64 nowMs) const
{
    return nowMs - session.lastUseMs <= timeoutMs_;
}

QString HttpSessionList::randomIdentifier()
{
    constexpr int alphabetSize = sizeof(IdentifierAlphabet) - 1;
    QString identifier(IdentifierLength, Qt::Uninitialized);
    for (QChar& c : identifier) {
        c = QLatin1Char(IdentifierAlphabet[QRandomGenerator::global()->bounded(alphabetSize)]);
    }
    return identifier;
}
