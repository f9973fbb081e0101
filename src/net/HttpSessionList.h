#pragma once

#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>

// The server's sessions: (identifier, peer address, last use), behind one lock. Times are
// milliseconds of a monotonic clock, passed in so that tests choose them.
class HttpSessionList
{
public:
    static constexpr int IdentifierLength = 15;
    static const QString CookieName;

    explicit HttpSessionList(qint64 timeoutMs);

    struct Lookup
    {
        QString identifier;
        bool started = false;   // a new session: the response carries its cookie
    };

    // The first of `cookieValues` naming a live session of `peer` is stamped with `nowMs`;
    // when none does, a new session with a fresh identifier starts.
    Lookup touchOrStart(const QStringList& cookieValues, const QString& peer, qint64 nowMs);

    // Ends the sessions unused for longer than the time-out, or all with `all`.
    void purge(bool all, qint64 nowMs);
    int count() const;

private:
    // An identifier's characters as bytes, so the table hashes and keeps two words rather than
    // a string. Only texts of the identifiers' length and of one byte a character have a key.
    struct Key
    {
        quint64 words[2] = {};

        static bool from(QStringView text, Key& key);
        friend bool operator==(const Key&, const Key&) = default;
        friend size_t qHash(const Key& key, size_t seed) { return qHashMulti(seed, key.words[0], key.words[1]); }
    };
    struct Session
    {
        QString peer;
        qint64 lastUseMs = 0;
    };
    struct Stamp
    {
        Key key;
        qint64 useMs = 0;
    };

    // Words of the kernel's secure generator, fetched a block at a time: the identifiers must
    // stay unpredictable, and one call per character would cost a system call each.
    class RandomWords
    {
    public:
        quint64 next();

    private:
        std::array<quint64, 512> block_{};
        qsizetype next_ = qsizetype(block_.size());
    };

    bool isLive(const Session& session, qint64 nowMs) const;
    // A fresh identifier and its key.
    QString randomIdentifier(Key& key);

    const qint64 timeoutMs_;
    mutable QMutex mutex_;
    QHash<Key, Session> sessions_;
    // Every use in time order; the cleaning pass pops from the front instead of scanning all.
    std::deque<Stamp> uses_;
    RandomWords random_;
    // Random bits an identifier left unused, taken by the next one.
    quint64 spareBits_ = 0;
    int spareBitCount_ = 0;
    // The peer of the session started last: consecutive sessions of one peer share its text
    // instead of each keeping its connection's copy alive.
    QString lastPeer_;
};
