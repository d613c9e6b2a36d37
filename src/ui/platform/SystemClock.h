// The clock's time and timers from the system: UTC seconds and local time
// from the system clock, timers as Qt timers on the user-interface thread.
#pragma once

#include "core/shell/ClockPorts.h"

namespace platform {

class SystemClock : public shell::ClockSource
{
public:
    int UtcSecond() const override;
    shell::LocalClockTime LocalTime() const override;
    std::unique_ptr<shell::ClockTimer> MakeTimer(bool singleShot,
                                                 std::function<void()> onTick) override;
};

} // namespace platform
