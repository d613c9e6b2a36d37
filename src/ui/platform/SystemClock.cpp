#include "SystemClock.h"

#include <QDateTime>
#include <QTimer>

namespace platform {

namespace {

class QtClockTimer : public shell::ClockTimer
{
public:
    QtClockTimer(bool singleShot, std::function<void()> onTick)
    {
        // Precise: a coarse timer may tick up to 5% early, and a minute tick
        // that comes early reads the minute before the one it stands for.
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setSingleShot(singleShot);
        QObject::connect(&timer_, &QTimer::timeout, std::move(onTick));
    }
    void Start(int intervalMs) override { timer_.start(intervalMs); }
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }
    int interval() const override { return timer_.interval(); }

private:
    QTimer timer_;
};

} // namespace

int SystemClock::UtcSecond() const
{
    return QDateTime::currentDateTimeUtc().time().second();
}

shell::LocalClockTime SystemClock::LocalTime() const
{
    const QTime now = QTime::currentTime();
    return {now.hour(), now.minute()};
}

std::unique_ptr<shell::ClockTimer> SystemClock::MakeTimer(bool singleShot,
                                                          std::function<void()> onTick)
{
    return std::make_unique<QtClockTimer>(singleShot, std::move(onTick));
}

} // namespace platform
