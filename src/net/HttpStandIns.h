#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// Keeps only as many handler threads waiting for connection events as the processor has
// cores: more would only wake one another for every event. The other threads of the pool stand
// by, and one steps in for each thread that has been inside a handler call (on a lock, on a
// slow disk) for longer than StandInAfter, so a blocked handler never keeps others waiting.
class HttpStandIns
{
public:
    static constexpr std::chrono::milliseconds StandInAfter{50};
    static constexpr std::chrono::milliseconds CheckInterval{25};
    // With no handler call seen for this long the watch rests until the next call starts.
    static constexpr std::chrono::milliseconds RestAfter{1000};

    // `threads` in the pool, of which `polling` wait for events at once.
    HttpStandIns(int threads, int polling);
    ~HttpStandIns();
    HttpStandIns(const HttpStandIns&) = delete;
    HttpStandIns& operator=(const HttpStandIns&) = delete;

    void start();
    // Releases every thread standing by and ends the watch.
    void stop();

    // On a pool thread before it waits for an event: stands by while more threads are
    // active than wanted. False once stopping.
    bool mayPoll();
    void handlerStarted(int index);
    void handlerFinished(int index);

private:
    using Clock = std::chrono::steady_clock;
    static constexpr qint64 NotInHandler = -1;

    void watch();
    // Under mutex_: how many handler calls run, and how many of them for long.
    void countHandlers(qint64 nowMs, int& running, int& stuck) const;
    static qint64 nowMs();

    const int threads_;
    const int polling_;
    std::unique_ptr<std::atomic<qint64>[]> handlerSinceMs_;
    std::atomic<int> active_;
    std::atomic<int> wanted_;
    std::atomic<bool> resting_{false};
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable standBy_;
    std::condition_variable watchWakes_;
    std::thread watch_;
};
