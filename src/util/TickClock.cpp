#include "util/TickClock.h"

#include <chrono>

#include <QThread>

namespace {

class SystemTickClock final : public TickClock {
public:
    quint32 TickCount() override
    {
        const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
        // Truncation to 32 bits is the wrap every caller allows for.
        return static_cast<quint32>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
    }

    void Sleep(quint32 milliseconds) override { QThread::msleep(milliseconds); }
};

}  // namespace

TickClock& TickClock::System()
{
    static SystemTickClock clock;
    return clock;
}
