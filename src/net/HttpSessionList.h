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
    struct Session
    {
        QString peer;
        qint64 lastUseMs = 0;
    };
    struct Stamp
    {
        QString identifier;
        qint64 useMs = 0;
    };

    // Bits of the system's secure generator, fetched a block at a time: one call per character
    // would cost a locked call each and the identifiers must stay unpredictable.
    class RandomWords
    {
    public:
        quint64 next();

    private:
        std::array<quint64, 64> block_{};
        qsizetype next_ = qsizetype(block_.size());
    };

    bool isLive(const Session& session, qint64 nowMs) const;
    QString randomIdentifier();

    const qint64 timeoutMs_;
    mutable QMutex mutex_;
    QHash<QString, Session> sessions_;
    // Every use in time order; the cleaning pass pops from the front instead of scanning all.
    std::deque<Stamp> uses_;
    RandomWords random_;
};
