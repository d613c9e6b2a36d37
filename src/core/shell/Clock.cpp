#include "Clock.h"

namespace shell {

bool CountKeepAliveMinute(session::KeepAliveSettings &window)
{
    if (window.keepAliveMinutes == 0)
        return false;
    // ">=" rather than "==": an interval lowered below the count so far is
    // due at the very next tick instead of never.
    if (++window.minuteCounter < window.keepAliveMinutes)
        return false;
    window.minuteCounter = 0;
    return true;
}

Clock::Clock(ClockSource &source, ClockWindows &windows, HangUpPlatform &platform)
    : source_(source)
    , windows_(windows)
    , platform_(platform)
{
    Timer1 = source_.MakeTimer(false, [this] { MinuteTick(); });
    Timer2 = source_.MakeTimer(false, [this] { WaitTick(); });
    // The pause before hanging up is a timer rather than a sleep, so the
    // program keeps drawing and answering while the lines settle.
    pause_ = source_.MakeTimer(true, [this] { HangUpNow(); });
    ArmMinuteTimer();
}

Clock::~Clock() = default;

bool Clock::pausing() const
{
    return pause_->IsActive();
}

bool Clock::minuteTimerActive() const
{
    return Timer1->IsActive();
}

bool Clock::waitTimerActive() const
{
    return Timer2->IsActive();
}

void Clock::TakeOver(const ClockSettings &settings)
{
    settings_ = settings;
    const int count = windows_.WindowCount();
    if (count == 0)
        return;
    // Switched off, the windows it is meant for get the empty command and no
    // interval; their minute counters stay as they are.
    const std::string command = settings_.keepAliveEnabled ? settings_.keepAliveCommand : "";
    const int minutes = settings_.keepAliveEnabled ? settings_.keepAliveMinutes : 0;
    if (settings_.keepAliveAllWindows) {
        for (int i = 0; i < count; ++i)
            windows_.HandKeepAlive(i, command, minutes);
        return;
    }
    const int selected = windows_.SelectedWindow();
    if (selected >= 0 && selected < count)
        windows_.HandKeepAlive(selected, command, minutes);
}

void Clock::WindowOpened(int index)
{
    if (settings_.keepAliveEnabled && settings_.keepAliveAllWindows)
        windows_.HandKeepAlive(index, settings_.keepAliveCommand, settings_.keepAliveMinutes);
}

void Clock::ArmMinuteTimer()
{
    // The first tick comes at the next full minute, 1 to 60 seconds away.
    Timer1->Start((60 - source_.UtcSecond()) * 1000);
}

void Clock::MinuteTick()
{
    // After the aligned first tick, every minute without re-aligning.
    if (Timer1->interval() != kMinuteMs)
        Timer1->Start(kMinuteMs);
    // Counted by index each time: a window closed by a tick's own commands
    // simply is not there for the next one.
    for (int i = 0; i < windows_.WindowCount(); ++i)
        windows_.MinuteTick(i);
    if (!settings_.hangUpEnabled)
        return;
    const LocalClockTime now = source_.LocalTime();
    if (now.minute == settings_.hangUpMinute && now.hour == settings_.hangUpHour)
        StartHangUp();
}

void Clock::StartHangUp()
{
    for (int i = 0; i < windows_.WindowCount(); ++i) {
        windows_.PrepareHangUp(i, settings_.hangUpCommands);
        windows_.SendHangUp(i);
    }
    Timer1->Stop();
    if (settings_.waitForDisconnect) {
        state_ = HangUpState::Waiting;
        Timer2->Start(kWaitTickMs);
    } else {
        HangUpNow();
    }
}

void Clock::WaitTick()
{
    bool anyConnected = false;
    for (int i = 0; i < windows_.WindowCount(); ++i) {
        windows_.PrepareHangUp(i, settings_.hangUpCommands);
        if (windows_.LinkActive(i)) {
            anyConnected = true;
            windows_.SendHangUp(i);
        }
    }
    if (anyConnected)
        return;
    // Nothing left to wait for; no more re-sends while the lines settle.
    Timer2->Stop();
    pause_->Start(kPauseBeforeHangUpMs);
}

void Clock::HangUpNow()
{
    Timer2->Stop();
    pause_->Stop();
    ArmMinuteTimer();
    state_ = HangUpState::HungUp;
    // Whether every link went down changes nothing that follows.
    (void)platform_.HangUpDialUp();
    if (settings_.shutdownAfterHangUp)
        platform_.ShutDownSystem();
}

} // namespace shell
