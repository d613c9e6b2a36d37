// The clock of the main frame: a minute tick to every game window for its
// keep-alive, and the scheduled hang-up (last commands to every window, an
// optional wait for the servers to hang up, then the dial-up links down and
// an optional power-off).
#pragma once

#include "core/session/SessionState.h"
#include "core/shell/ClockPorts.h"
#include "core/shell/ClockSettings.h"

#include <memory>

namespace shell {

// Idle and hung up behave alike (the minute ticks run); they are told apart
// so the player and the tests can see that a hang-up has happened.
enum class HangUpState { Idle, Waiting, HungUp };

// A window's side of the minute tick: with an interval set, count the minute;
// true when the keep-alive command is due (the counter then starts again).
// Counted whatever the state of the window's connection.
bool CountKeepAliveMinute(session::KeepAliveSettings &window);

class Clock
{
public:
    static constexpr int kMinuteMs = 60000;
    static constexpr int kWaitTickMs = 5000;
    static constexpr int kPauseBeforeHangUpMs = 1500;

    // Makes the two timers and the pause, and arms the minute timer to the
    // next full minute. The three references must outlive the clock.
    Clock(ClockSource &source, ClockWindows &windows, HangUpPlatform &platform);
    ~Clock();
    Clock(const Clock &) = delete;
    Clock &operator=(const Clock &) = delete;

    const ClockSettings &settings() const { return settings_; }
    // The dialog was confirmed: take its settings over and hand the keep-alive
    // to the windows it is meant for.
    void TakeOver(const ClockSettings &settings);
    // A window was just opened at `index`: it gets the keep-alive when that is
    // on for every window.
    void WindowOpened(int index);

    // Stops the wait, re-arms the minute timer, takes the dial-up links down
    // and powers off when asked to.
    void HangUpNow();

    HangUpState state() const { return state_; }
    // Between the end of the wait and the hang-up.
    bool pausing() const;
    bool minuteTimerActive() const;
    bool waitTimerActive() const;

private:
    void ArmMinuteTimer();
    void MinuteTick();
    void StartHangUp();
    void WaitTick();

    ClockSource &source_;
    ClockWindows &windows_;
    HangUpPlatform &platform_;
    ClockSettings settings_;
    HangUpState state_ = HangUpState::Idle;
    std::unique_ptr<ClockTimer> Timer1; // the minute tick
    std::unique_ptr<ClockTimer> Timer2; // the re-send while waiting
    std::unique_ptr<ClockTimer> pause_; // before hanging up after the wait
};

} // namespace shell
