// Event-loop waits shared by the flood measurements.
#pragma once

#include <functional>

#include <QEventLoop>
#include <QObject>
#include <QTimer>

namespace bench {

// Runs the event loop until `done` holds or `ms` pass, looking every
// millisecond. The loop sleeps between looks: processEvents with
// WaitForMoreEvents and a timeout spins instead of sleeping, which polluted
// the CPU and frame figures.
inline bool WaitUntil(const std::function<bool()> &done, int ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    poll.start(1);
    loop.exec();
    return done();
}

// Lets the event loop run for `ms` milliseconds.
inline void Settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace bench
