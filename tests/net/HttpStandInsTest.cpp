#include "net/HttpStandIns.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr int GenerousMs = 10000;
// Long enough for a thread that is free to pass to have passed.
constexpr int SettleMs = 200;

bool waitUntil(const std::function<bool()>& condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < GenerousMs) {
        QThread::msleep(5);
    }
    return condition();
}

// Three pool threads, one of which may wait for events at once. Each "polls" once and then
// stays inside a handler call until the test lets it go.
void expectEveryThreadGetsIn(HttpStandIns& standIns)
{
    std::atomic<int> polling{0};
    std::atomic<bool> release{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) {
        threads.emplace_back([&, i] {
            if (!standIns.mayPoll()) {
                return;
            }
            ++polling;
            standIns.handlerStarted(i);
            while (!release) {
                QThread::msleep(1);
            }
            standIns.handlerFinished(i);
        });
    }
    // The first in a handler for long lets a second thread in, that one a third.
    EXPECT_TRUE(waitUntil([&] { return polling.load() == 3; }));

    release = true;
    standIns.stop();
    for (std::thread& thread : threads) {
        thread.join();
    }
}

// Also after an idle spell, when the watch rests and must be woken by the first call.
TEST(HttpStandIns, OneThreadStepsInForEachHandlerCallThatTakesLong)
{
    for (const auto idleFirst : {std::chrono::milliseconds(0), HttpStandIns::RestAfter + HttpStandIns::RestAfter / 2}) {
        SCOPED_TRACE(idleFirst.count());
        HttpStandIns standIns(3, 1);
        standIns.start();
        std::this_thread::sleep_for(idleFirst);
        expectEveryThreadGetsIn(standIns);
    }
}

TEST(HttpStandIns, ThreadsStandByWhileNoHandlerCallBlocks)
{
    HttpStandIns standIns(3, 1);
    standIns.start();
    std::atomic<int> passed{0};
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) {
        threads.emplace_back([&] { ++(standIns.mayPoll() ? passed : refused); });
    }
    QThread::msleep(SettleMs);
    EXPECT_EQ(passed.load(), 1);

    // Stopping releases the threads standing by, which then end.
    standIns.stop();
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(refused.load(), 2);
}

} // namespace
