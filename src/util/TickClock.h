#pragma once

#include <QtGlobal>

// Milliseconds since an arbitrary start, wrapping at 2^32, and a way to wait. Streams that
// pace themselves take one of these so tests can set the time instead of waiting for it.
class TickClock {
public:
    virtual ~TickClock() = default;

    virtual quint32 TickCount() = 0;
    virtual void Sleep(quint32 milliseconds) = 0;

    // The real clock: a monotonic millisecond count and a thread sleep.
    static TickClock& System();
};
