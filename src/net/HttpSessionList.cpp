#include "net/HttpSessionList.h"

#include <cstring>
#include <sys/random.h>

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

bool HttpSessionList::Key::from(QStringView text, Key& key)
{
    static_assert(IdentifierLength <= int(sizeof key.words));
    if (text.size() != IdentifierLength) {
        return false;
    }
    char bytes[sizeof key.words] = {};
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() > 0xFF) {
            return false;
        }
        bytes[i] = char(text[i].unicode());
    }
    std::memcpy(key.words, bytes, sizeof bytes);
    return true;
}

HttpSessionList::Lookup HttpSessionList::touchOrStart(const QStringList& cookieValues,
                                                      const QString& peer, qint64 nowMs)
{
    QMutexLocker lock(&mutex_);
    for (const QString& value : cookieValues) {
        Key key;
        if (!Key::from(value, key)) {
            continue;
        }
        const auto found = sessions_.find(key);
        if (found != sessions_.end() && found->peer == peer && isLive(*found, nowMs)) {
            found->lastUseMs = nowMs;
            uses_.push_back({key, nowMs});
            return {value, false};
        }
    }
    if (peer != lastPeer_) {
        lastPeer_ = peer;
    }
    // Identifiers are kept unique over all peers, which is stricter than per peer. The table
    // grows by one exactly when the identifier is new, so it is hashed once.
    for (;;) {
        Key key;
        QString identifier = randomIdentifier(key);
        const qsizetype sizeBefore = sessions_.size();
        Session& session = sessions_[key];
        if (sessions_.size() != sizeBefore) {
            session = {lastPeer_, nowMs};
            uses_.push_back({key, nowMs});
            return {std::move(identifier), true};
        }
    }
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
        const auto found = sessions_.find(uses_.front().key);
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

quint64 HttpSessionList::RandomWords::next()
{
    if (next_ == qsizetype(block_.size())) {
        // Straight from the kernel: the system generator of the toolkit prefers the processor's
        // instruction, which costs several times as much per word on some machines.
        const ssize_t filled = ::getrandom(block_.data(), sizeof block_, 0);
        if (filled != ssize_t(sizeof block_)) {
            QRandomGenerator::system()->fillRange(block_.data(), block_.size());
        }
        next_ = 0;
    }
    return block_[next_++];
}

// Each character from six random bits; the two values past the alphabet are drawn again, so
// every character is equally likely.
QString HttpSessionList::randomIdentifier(Key& key)
{
    constexpr quint32 alphabetSize = sizeof(IdentifierAlphabet) - 1;
    constexpr int bitsPerCharacter = 6;
    constexpr quint64 characterMask = (1u << bitsPerCharacter) - 1;
    static_assert(alphabetSize <= characterMask + 1);
    QString identifier(IdentifierLength, Qt::Uninitialized);
    QChar* characters = identifier.data();
    char bytes[sizeof key.words] = {};
    quint64 bits = spareBits_;
    int bitsLeft = spareBitCount_;
    for (qsizetype i = 0; i < IdentifierLength; ++i) {
        quint32 index;
        do {
            if (bitsLeft < bitsPerCharacter) {
                bits = random_.next();
                bitsLeft = 64;
            }
            index = quint32(bits & characterMask);
            bits >>= bitsPerCharacter;
            bitsLeft -= bitsPerCharacter;
        } while (index >= alphabetSize);
        bytes[i] = IdentifierAlphabet[index];
        characters[i] = QLatin1Char(bytes[i]);
    }
    spareBits_ = bits;
    spareBitCount_ = bitsLeft;
    std::memcpy(key.words, bytes, sizeof bytes);
    return identifier;
}
