#include "net/HttpStandIns.h"

HttpStandIns::HttpStandIns(int threads, int polling)
    : threads_(threads)
    , polling_(qBound(1, polling, threads))
    , handlerSinceMs_(new std::atomic<qint64>[threads])
    , active_(threads)
    , wanted_(polling_)
{
    for (int i = 0; i < threads; ++i) {
        handlerSinceMs_[i] = NotInHandler;
    }
}

HttpStandIns::~HttpStandIns()
{
    stop();
}

void HttpStandIns::start()
{
    if (polling_ < threads_) {
        watch_ = std::thread([this] { watch(); });
    }
}

void HttpStandIns::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    standBy_.notify_all();
    watchWakes_.notify_all();
    if (watch_.joinable()) {
        watch_.join();
    }
}

bool HttpStandIns::mayPoll()
{
    if (active_.load() <= wanted_.load()) {
        return !stopping_;
    }
    std::unique_lock lock(mutex_);
    if (active_ > wanted_ && !stopping_) {
        --active_;
        standBy_.wait(lock, [this] { return stopping_ || active_ < wanted_; });
        ++active_;
    }
    return !stopping_;
}

void HttpStandIns::handlerStarted(int index)
{
    handlerSinceMs_[index] = nowMs();
    if (resting_.load() && polling_ < threads_) {
        std::lock_guard lock(mutex_);
        resting_ = false;
        watchWakes_.notify_one();
    }
}

void HttpStandIns::handlerFinished(int index)
{
    handlerSinceMs_[index] = NotInHandler;
}

void HttpStandIns::watch()
{
    std::unique_lock lock(mutex_);
    qint64 lastBusyMs = nowMs();
    while (!stopping_) {
        if (resting_) {
            watchWakes_.wait(lock, [this] { return stopping_ || !resting_; });
            lastBusyMs = nowMs();
            continue;
        }
        watchWakes_.wait_for(lock, CheckInterval, [this] { return stopping_.load(); });
        const qint64 now = nowMs();
        int running = 0;
        int stuck = 0;
        countHandlers(now, running, stuck);
        if (running > 0) {
            lastBusyMs = now;
        }
        const int wanted = qMin(threads_, polling_ + stuck);
        if (wanted > wanted_) {
            wanted_ = wanted;
            standBy_.notify_all();
        } else {
            wanted_ = wanted;
        }
        if (now - lastBusyMs > RestAfter.count()) {
            resting_ = true;
            // A call that started before the flag was seen would not wake the watch.
            countHandlers(now, running, stuck);
            if (running > 0) {
                resting_ = false;
            }
        }
    }
}

void HttpStandIns::countHandlers(qint64 nowMs, int& running, int& stuck) const
{
    running = 0;
    stuck = 0;
    for (int i = 0; i < threads_; ++i) {
        const qint64 since = handlerSinceMs_[i].load();
        if (since != NotInHandler) {
            ++running;
            if (nowMs - since >= StandInAfter.count()) {
                ++stuck;
            }
        }
    }
}

qint64 HttpStandIns::nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}
