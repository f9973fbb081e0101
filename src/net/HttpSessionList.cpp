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

quint32 HttpSessionList::RandomBits::take(int count)
{
    if (bitsLeft_ < count) {
        if (nextWord_ == qsizetype(block_.size())) {
            QRandomGenerator::system()->fillRange(block_.data(), block_.size());
            nextWord_ = 0;
        }
        word_ = block_[nextWord_++];
        bitsLeft_ = 64;
    }
    const quint32 bits = quint32(word_ & ((quint64(1) << count) - 1));
    word_ >>= count;
    bitsLeft_ -= count;
    return bits;
}

// Each character from six random bits; the two values past the alphabet are drawn again, so
// every character is equally likely.
QString HttpSessionList::randomIdentifier()
{
    constexpr quint32 alphabetSize = sizeof(IdentifierAlphabet) - 1;
    constexpr int bitsPerCharacter = 6;
    static_assert(alphabetSize <= (1u << bitsPerCharacter));
    QString identifier(IdentifierLength, Qt::Uninitialized);
    for (QChar& c : identifier) {
        quint32 index;
        do {
            index = random_.take(bitsPerCharacter);
        } while (index >= alphabetSize);
        c = QLatin1Char(IdentifierAlphabet[index]);
    }
    return identifier;
}
