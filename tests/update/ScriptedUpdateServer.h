#pragma once

#include <atomic>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include <QByteArray>
#include <QList>
#include <QString>

// One scripted answer of the test update server.
struct ScriptedReply {
    QByteArray bytes;          // sent as they stand
    bool closeAfter = true;    // false: say nothing more and wait for the client to leave

    static ScriptedReply Word(const QByteArray& word);                       // word, CR LF
    static ScriptedReply NumberLine(const QByteArray& line);                 // "YES", line
    static ScriptedReply File(const QByteArray& contents);                   // "YES", size, bytes
    static ScriptedReply ShortFile(qint64 announcedSize, const QByteArray& contents);  // then close
    static ScriptedReply Silence();                                          // nothing at all
    static ScriptedReply Raw(const QByteArray& bytes);
};

struct ReceivedRequest {
    QString header;
    QString command;
    QString argument;
};

// A loopback update server for tests: on its own thread (the client blocks the test's
// thread), one connection at a time, three request lines, then the reply scripted for that
// command and argument ("FNF" when none is), or "HDR" when the header line is not expected.
class ScriptedUpdateServer {
public:
    explicit ScriptedUpdateServer(QString expectedHeader);
    ~ScriptedUpdateServer();

    ScriptedUpdateServer(const ScriptedUpdateServer&) = delete;
    ScriptedUpdateServer& operator=(const ScriptedUpdateServer&) = delete;

    quint16 Port() const { return port_; }
    void SetReply(const QString& command, const QString& argument, const ScriptedReply& reply);
    QList<ReceivedRequest> Requests() const;

private:
    void Serve(std::promise<quint16>& listening);
    ScriptedReply ReplyFor(const ReceivedRequest& request) const;

    const QString expectedHeader_;
    mutable std::mutex mutex_;
    std::map<std::pair<QString, QString>, ScriptedReply> replies_;
    QList<ReceivedRequest> requests_;
    std::atomic<bool> stopping_{false};
    quint16 port_ = 0;
    std::thread thread_;
};
