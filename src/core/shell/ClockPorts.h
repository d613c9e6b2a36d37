// What the clock works through: the time of day, timers, the open game windows
// and the machine's hang-up and power-off. The program gives it the real ones;
// tests give it fakes and run hours of minutes in microseconds.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace shell {

struct LocalClockTime
{
    int hour = 0;   // 0-23
    int minute = 0; // 0-59
};

// A timer ticking on the clock's own thread. A repeating timer ticks every
// interval until stopped; a single-shot one ticks once and stops.
class ClockTimer
{
public:
    virtual ~ClockTimer() = default;
    // (Re)starts the timer: the next tick comes `intervalMs` from now.
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    virtual int interval() const = 0;
};

// "Now" and timers.
class ClockSource
{
public:
    virtual ~ClockSource() = default;
    // The seconds (0-59) of the current time in UTC.
    virtual int UtcSecond() const = 0;
    // The local hour and minute.
    virtual LocalClockTime LocalTime() const = 0;
    virtual std::unique_ptr<ClockTimer> MakeTimer(bool singleShot,
                                                  std::function<void()> onTick) = 0;
};

// The open game windows, by their place in the frame's array (0 .. count-1).
// Windows are asked for by place on every tick, so the clock keeps no hold on
// a window that has closed.
class ClockWindows
{
public:
    virtual ~ClockWindows() = default;
    virtual int WindowCount() const = 0;
    // The window under the selected tab, or -1.
    virtual int SelectedWindow() const = 0;
    // The minute tick (hub code 18).
    virtual void MinuteTick(int index) = 0;
    // Gives the window the commands to send before the hang-up and switches
    // its triggers off.
    virtual void PrepareHangUp(int index, const std::string &commands) = 0;
    // The window sends its hang-up commands (hub code 19).
    virtual void SendHangUp(int index) = 0;
    virtual bool LinkActive(int index) const = 0;
    // The window's keep-alive command and interval; its minute counter stays.
    virtual void HandKeepAlive(int index, const std::string &command, int minutes) = 0;
};

// The machine's side of the hang-up.
class HangUpPlatform
{
public:
    virtual ~HangUpPlatform() = default;
    // Takes every active dial-up link down, in the order the system lists
    // them, stopping at the first that fails. False when the links cannot be
    // listed or one failed.
    virtual bool HangUpDialUp() = 0;
    // Asks the system to power off; a refusal is not reported.
    virtual void ShutDownSystem() = 0;
};

} // namespace shell
