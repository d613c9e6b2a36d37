// A clock for tests: time moves only when the test advances it, and timers
// tick in time order as it does, so hours of minutes pass in microseconds.
// Standard C++ only, so core and widget tests share it.
#pragma once

#include "core/shell/ClockPorts.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

class FakeClock : public shell::ClockSource
{
public:
    // `nowMs` counts from a UTC midnight; local time is UTC moved by
    // `utcOffsetMinutes`, so tests see the two queries answer differently.
    explicit FakeClock(std::int64_t nowMs = 0, int utcOffsetMinutes = 0)
        : nowMs_(nowMs)
        , offsetMinutes_(utcOffsetMinutes)
    {}

    // A moment as the test names it: day, UTC hour, minute, second.
    static std::int64_t At(int day, int hour, int minute, int second = 0)
    {
        return (((static_cast<std::int64_t>(day) * 24 + hour) * 60 + minute) * 60 + second) * 1000;
    }

    std::int64_t now() const { return nowMs_; }

    int UtcSecond() const override { return static_cast<int>((nowMs_ / 1000) % 60); }
    shell::LocalClockTime LocalTime() const override
    {
        const std::int64_t minutes = nowMs_ / 60000 + offsetMinutes_;
        const std::int64_t ofDay = ((minutes % 1440) + 1440) % 1440;
        return {static_cast<int>(ofDay / 60), static_cast<int>(ofDay % 60)};
    }

    std::unique_ptr<shell::ClockTimer> MakeTimer(bool singleShot,
                                                 std::function<void()> onTick) override
    {
        return std::make_unique<Timer>(*this, singleShot, std::move(onTick));
    }

    // Moves time forward by `ms`, running every tick that falls due on the
    // way, in time order (timers due together tick in the order they were made).
    void Advance(std::int64_t ms)
    {
        const std::int64_t target = nowMs_ + ms;
        while (Timer *next = NextDue(target)) {
            nowMs_ = next->due;
            if (next->singleShot)
                next->active = false;
            else
                next->due += next->intervalMs;
            next->onTick();
        }
        nowMs_ = target;
    }
    void AdvanceTo(std::int64_t ms) { Advance(std::max<std::int64_t>(0, ms - nowMs_)); }

private:
    struct Timer : shell::ClockTimer
    {
        Timer(FakeClock &clock, bool singleShot, std::function<void()> onTick)
            : clock(clock)
            , singleShot(singleShot)
            , onTick(std::move(onTick))
        {
            clock.timers_.push_back(this);
        }
        ~Timer() override { std::erase(clock.timers_, this); }
        void Start(int ms) override
        {
            intervalMs = ms;
            due = clock.nowMs_ + ms;
            active = true;
        }
        void Stop() override { active = false; }
        bool IsActive() const override { return active; }
        int interval() const override { return intervalMs; }

        FakeClock &clock;
        bool singleShot;
        std::function<void()> onTick;
        int intervalMs = 0;
        std::int64_t due = 0;
        bool active = false;
    };

    Timer *NextDue(std::int64_t target) const
    {
        Timer *next = nullptr;
        for (Timer *timer : timers_) {
            if (timer->active && timer->due <= target && (!next || timer->due < next->due))
                next = timer;
        }
        return next;
    }

    std::int64_t nowMs_;
    int offsetMinutes_;
    std::vector<Timer *> timers_;
};

// The machine's hang-up and power-off, counted instead of done.
class FakeHangUp : public shell::HangUpPlatform
{
public:
    bool HangUpDialUp() override
    {
        events.push_back(Event::HangUp);
        return hangUpResult;
    }
    void ShutDownSystem() override { events.push_back(Event::ShutDown); }

    enum class Event { HangUp, ShutDown };
    std::vector<Event> events;
    bool hangUpResult = true;
};

} // namespace testsupport
