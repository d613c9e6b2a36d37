// The clock driven by a fake time source: minute ticks and keep-alive counting,
// the hand-out of the dialog's settings, the scheduled hang-up with and without
// the wait, and the dialog's field rules.
#include "core/shell/Clock.h"

#include "core/shell/ClockSettings.h"
#include "support/FakeClock.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using shell::Clock;
using shell::ClockSettings;
using shell::HangUpState;
using testsupport::FakeClock;
using testsupport::FakeHangUp;
using Event = testsupport::FakeHangUp::Event;

namespace {

// Game windows as the clock sees them; a window counts its minutes with the
// same rule the real window uses and records what it sent.
class FakeWindows : public shell::ClockWindows
{
public:
    struct Window
    {
        session::KeepAliveSettings keepAlive;
        bool triggersEnabled = true;
        bool linkActive = false;
        std::vector<std::string> sent;
        std::vector<std::int64_t> ticks;
    };

    explicit FakeWindows(const FakeClock &clock, int count = 0)
        : windows(static_cast<std::size_t>(count))
        , clock_(clock)
    {}

    int WindowCount() const override { return static_cast<int>(windows.size()); }
    int SelectedWindow() const override { return selected; }
    void MinuteTick(int i) override
    {
        Window &w = windows.at(i);
        w.ticks.push_back(clock_.now());
        if (shell::CountKeepAliveMinute(w.keepAlive))
            w.sent.push_back(w.keepAlive.keepAliveCommand);
    }
    void PrepareHangUp(int i, const std::string &commands) override
    {
        windows.at(i).keepAlive.hangUpCommands = commands;
        windows.at(i).triggersEnabled = false;
    }
    void SendHangUp(int i) override
    {
        windows.at(i).sent.push_back(windows.at(i).keepAlive.hangUpCommands);
    }
    bool LinkActive(int i) const override { return windows.at(i).linkActive; }
    void HandKeepAlive(int i, const std::string &command, int minutes) override
    {
        windows.at(i).keepAlive.keepAliveCommand = command;
        windows.at(i).keepAlive.keepAliveMinutes = minutes;
    }

    std::vector<Window> windows;
    int selected = -1;

private:
    const FakeClock &clock_;
};

// A clock started at a given moment with a number of windows.
struct Rig
{
    explicit Rig(std::int64_t start = 0, int windowCount = 1, int utcOffsetMinutes = 0)
        : time(start, utcOffsetMinutes)
        , windows(time, windowCount)
        , clock(time, windows, platform)
    {}

    void KeepAlive(int minutes, const std::string &command = "look", bool allWindows = true)
    {
        ClockSettings s = clock.settings();
        s.keepAliveEnabled = true;
        s.keepAliveAllWindows = allWindows;
        s.keepAliveMinutes = minutes;
        s.keepAliveCommand = command;
        clock.TakeOver(s);
    }
    void HangUpAt(int hour, int minute, bool wait, bool shutDown = false)
    {
        ClockSettings s = clock.settings();
        s.hangUpEnabled = true;
        s.hangUpHour = hour;
        s.hangUpMinute = minute;
        s.waitForDisconnect = wait;
        s.shutdownAfterHangUp = shutDown;
        clock.TakeOver(s);
    }
    std::vector<std::string> &sent(int i = 0) { return windows.windows.at(i).sent; }

    FakeClock time;
    FakeWindows windows;
    FakeHangUp platform;
    Clock clock;
};

constexpr std::int64_t kMinute = 60000;

std::vector<std::string> Times(int n, const std::string &text)
{
    return std::vector<std::string>(static_cast<std::size_t>(n), text);
}

} // namespace

TEST(ClockMinuteTick, FirstTickAtTheNextFullMinuteThenEveryMinute)
{
    struct Row
    {
        int second;
        std::int64_t firstTickMs;
    };
    for (const Row row : {Row{17, 43000}, Row{59, 1000}, Row{0, 60000}}) {
        Rig rig(FakeClock::At(0, 10, 5, row.second));
        const std::int64_t start = rig.time.now();
        rig.time.Advance(3 * kMinute + 60000);
        const auto &ticks = rig.windows.windows[0].ticks;
        ASSERT_GE(ticks.size(), 3u) << row.second;
        EXPECT_EQ(ticks[0] - start, row.firstTickMs) << row.second;
        EXPECT_EQ(ticks[1] - ticks[0], kMinute);
        EXPECT_EQ(ticks[2] - ticks[1], kMinute);
    }
}

TEST(ClockMinuteTick, IntervalOfThreeSendsAtTicksThreeSixNine)
{
    Rig rig(FakeClock::At(0, 9, 0));
    rig.KeepAlive(3, "look");
    std::vector<int> sentAt;
    for (int tick = 1; tick <= 10; ++tick) {
        const std::size_t before = rig.sent().size();
        rig.time.Advance(kMinute);
        if (rig.sent().size() > before)
            sentAt.push_back(tick);
    }
    EXPECT_EQ(sentAt, (std::vector<int>{3, 6, 9}));
    EXPECT_EQ(rig.sent(), Times(3, "look"));
}

TEST(ClockMinuteTick, LoweringTheIntervalBelowTheCountSendsAtTheNextTick)
{
    Rig rig(FakeClock::At(0, 9, 0));
    rig.KeepAlive(5);
    rig.time.Advance(2 * kMinute);
    EXPECT_EQ(rig.windows.windows[0].keepAlive.minuteCounter, 2);
    rig.KeepAlive(2); // the counter stays at 2
    EXPECT_EQ(rig.windows.windows[0].keepAlive.minuteCounter, 2);
    EXPECT_TRUE(rig.sent().empty());
    rig.time.Advance(kMinute);
    EXPECT_EQ(rig.sent(), Times(1, "look"));
    rig.time.Advance(2 * kMinute);
    EXPECT_EQ(rig.sent(), Times(2, "look"));
}

TEST(ClockMinuteTick, ZeroIntervalNeverCounts)
{
    session::KeepAliveSettings window{"look", 0, 0, ""};
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(shell::CountKeepAliveMinute(window));
    EXPECT_EQ(window.minuteCounter, 0);
}

TEST(ClockHandOut, FourRowsAndNoWindow)
{
    struct Row
    {
        bool enabled;
        bool allWindows;
        // What windows 0, 1 and 2 hold afterwards; window 1 is selected.
        std::vector<int> minutes;
        std::vector<std::string> commands;
    };
    const std::vector<Row> rows = {
        {true, true, {4, 4, 4}, {"look", "look", "look"}},
        {true, false, {9, 4, 9}, {"old", "look", "old"}},
        {false, true, {0, 0, 0}, {"", "", ""}},
        {false, false, {9, 0, 9}, {"old", "", "old"}},
    };
    for (const Row &row : rows) {
        Rig rig(0, 3);
        rig.windows.selected = 1;
        for (auto &w : rig.windows.windows)
            w.keepAlive = {"old", 9, 7, ""};
        ClockSettings s;
        s.keepAliveEnabled = row.enabled;
        s.keepAliveAllWindows = row.allWindows;
        s.keepAliveMinutes = 4;
        s.keepAliveCommand = "look";
        rig.clock.TakeOver(s);
        EXPECT_EQ(rig.clock.settings(), s);
        for (int i = 0; i < 3; ++i) {
            const auto &k = rig.windows.windows[i].keepAlive;
            EXPECT_EQ(k.keepAliveMinutes, row.minutes[i]) << row.enabled << row.allWindows << i;
            EXPECT_EQ(k.keepAliveCommand, row.commands[i]) << row.enabled << row.allWindows << i;
            EXPECT_EQ(k.minuteCounter, 7) << "counters are left as they are";
        }
    }

    // No window open: the settings are taken over, nothing is handed out.
    Rig none(0, 0);
    ClockSettings s;
    s.keepAliveEnabled = true;
    s.keepAliveMinutes = 4;
    none.clock.TakeOver(s);
    EXPECT_EQ(none.clock.settings(), s);
}

TEST(ClockHandOut, NewWindowGetsKeepAliveOnlyWhenMeantForEveryWindow)
{
    for (const bool allWindows : {true, false}) {
        Rig rig(0, 1);
        rig.KeepAlive(3, "look", allWindows);
        rig.windows.windows.emplace_back();
        rig.clock.WindowOpened(1);
        EXPECT_EQ(rig.windows.windows[1].keepAlive.keepAliveMinutes, allWindows ? 3 : 0);
    }
    Rig off(0, 1);
    off.clock.WindowOpened(0);
    EXPECT_EQ(off.windows.windows[0].keepAlive.keepAliveMinutes, 0);
}

TEST(ClockForm, EmptyFieldsBecomeZeroAndNonNumbersAreRefused)
{
    struct Row
    {
        const char *minutes;
        const char *hour;
        const char *minute;
        bool accepted;
    };
    const Row rows[] = {
        {"", "", "", true},     {"5", "23", "59", true}, {"5", "25", "0", true},
        {"x", "1", "1", false}, {"1", "1 ", "1", false}, {"1", "1", "\xb0\xa1", false},
    };
    for (const Row &row : rows) {
        shell::ClockFormFields fields = shell::FieldsFrom(ClockSettings{});
        fields.keepAliveMinutes = row.minutes;
        fields.hangUpHour = row.hour;
        fields.hangUpMinute = row.minute;
        const auto settings = shell::ConfirmFields(fields);
        EXPECT_EQ(settings.has_value(), row.accepted) << row.minutes << "|" << row.hour;
        EXPECT_FALSE(fields.keepAliveMinutes.empty() || fields.hangUpHour.empty() ||
                     fields.hangUpMinute.empty());
    }
}

TEST(ClockForm, EmptyIntervalSwitchesKeepAliveOffEvenWhenTicked)
{
    Rig rig(0, 2);
    rig.KeepAlive(3);
    shell::ClockFormFields fields = shell::FieldsFrom(rig.clock.settings());
    EXPECT_TRUE(fields.keepAliveEnabled);
    fields.keepAliveMinutes.clear();
    const auto settings = shell::ConfirmFields(fields);
    ASSERT_TRUE(settings);
    EXPECT_EQ(fields.keepAliveMinutes, "0");
    rig.clock.TakeOver(*settings);
    for (const auto &w : rig.windows.windows)
        EXPECT_EQ(w.keepAlive.keepAliveMinutes, 0);
    rig.time.Advance(10 * kMinute);
    EXPECT_TRUE(rig.sent().empty());
}

TEST(ClockForm, FieldsRoundTripTheSettings)
{
    ClockSettings s;
    s.hangUpEnabled = true;
    s.hangUpHour = 23;
    s.hangUpMinute = 7;
    s.hangUpCommands = "say bye;quit";
    s.waitForDisconnect = true;
    s.shutdownAfterHangUp = true;
    s.keepAliveEnabled = true;
    s.keepAliveAllWindows = false;
    s.keepAliveMinutes = 12;
    s.keepAliveCommand = "look";
    shell::ClockFormFields fields = shell::FieldsFrom(s);
    EXPECT_EQ(shell::ConfirmFields(fields), s);
}

TEST(ClockForm, IntervalKeyFilter)
{
    for (char32_t c = 0; c < 0x100; ++c) {
        const bool digit = c >= '0' && c <= '9';
        const bool passes = digit || c < 0x20 || c >= 0x80;
        EXPECT_EQ(shell::IntervalKeyPasses(c), passes) << static_cast<int>(c);
    }
    EXPECT_TRUE(shell::IntervalKeyPasses(U'分'));
}

TEST(ClockHangUp, AtLocalMidnightWithoutWaitHangsUpAtOnce)
{
    // Local time runs 8 hours ahead of UTC: local midnight is 16:00 UTC.
    Rig rig(FakeClock::At(0, 15, 58, 30), 2, 8 * 60);
    rig.HangUpAt(0, 0, false);
    rig.time.AdvanceTo(FakeClock::At(0, 15, 59, 59));
    EXPECT_TRUE(rig.platform.events.empty());
    rig.time.AdvanceTo(FakeClock::At(0, 16, 0));
    EXPECT_EQ(rig.platform.events, std::vector<Event>{Event::HangUp});
    for (auto &w : rig.windows.windows) {
        EXPECT_EQ(w.sent, Times(1, "save;quit"));
        EXPECT_FALSE(w.triggersEnabled);
    }
    EXPECT_EQ(rig.clock.state(), HangUpState::HungUp);
    EXPECT_TRUE(rig.clock.minuteTimerActive());
    EXPECT_FALSE(rig.clock.waitTimerActive());
}

TEST(ClockHangUp, FiresAgainTheNextDayAndNeverAtHour25)
{
    Rig rig(FakeClock::At(0, 6, 0));
    rig.HangUpAt(7, 30, false);
    rig.time.AdvanceTo(FakeClock::At(1, 8, 0));
    EXPECT_EQ(rig.platform.events, std::vector<Event>(2, Event::HangUp));
    EXPECT_EQ(rig.sent(), Times(2, "save;quit"));

    Rig never(FakeClock::At(0, 0, 0));
    never.HangUpAt(25, 0, false);
    never.time.AdvanceTo(FakeClock::At(3, 0, 0));
    EXPECT_TRUE(never.platform.events.empty());
    EXPECT_EQ(never.windows.windows[0].ticks.size(), 3u * 24 * 60);
}

TEST(ClockHangUp, ShutsDownAfterHangingUpOnlyWhenAsked)
{
    for (const bool shutDown : {false, true}) {
        for (const bool hangUpWorks : {true, false}) {
            Rig rig(FakeClock::At(0, 6, 0));
            rig.platform.hangUpResult = hangUpWorks;
            rig.HangUpAt(6, 1, false, shutDown);
            rig.time.Advance(kMinute);
            const std::vector<Event> expected =
                shutDown ? std::vector<Event>{Event::HangUp, Event::ShutDown}
                         : std::vector<Event>{Event::HangUp};
            EXPECT_EQ(rig.platform.events, expected) << shutDown << hangUpWorks;
        }
    }
}

TEST(ClockHangUp, WaitingWithNoWindowHangsUpAfterTheFirstWaitTickAndThePause)
{
    Rig rig(FakeClock::At(0, 6, 0), 0);
    rig.HangUpAt(6, 1, true);
    const std::int64_t start = FakeClock::At(0, 6, 1);
    rig.time.AdvanceTo(start);
    EXPECT_EQ(rig.clock.state(), HangUpState::Waiting);
    EXPECT_FALSE(rig.clock.minuteTimerActive());
    EXPECT_TRUE(rig.clock.waitTimerActive());
    rig.time.AdvanceTo(start + 5000);
    EXPECT_TRUE(rig.clock.pausing());
    EXPECT_FALSE(rig.clock.waitTimerActive());
    rig.time.AdvanceTo(start + 6499);
    EXPECT_TRUE(rig.platform.events.empty());
    rig.time.AdvanceTo(start + 6500);
    EXPECT_EQ(rig.platform.events, std::vector<Event>{Event::HangUp});
    EXPECT_EQ(rig.clock.state(), HangUpState::HungUp);
    EXPECT_TRUE(rig.clock.minuteTimerActive());
    EXPECT_FALSE(rig.clock.pausing());
}

TEST(ClockHangUp, ConnectedWindowGetsTheCommandsEveryFiveSecondsAClosedOneOnce)
{
    Rig rig(FakeClock::At(0, 6, 0), 2);
    rig.windows.windows[0].linkActive = true;
    rig.HangUpAt(6, 1, true);
    const std::int64_t start = FakeClock::At(0, 6, 1);
    rig.time.AdvanceTo(start);
    EXPECT_EQ(rig.sent(0), Times(1, "save;quit"));
    EXPECT_EQ(rig.sent(1), Times(1, "save;quit"));
    rig.time.AdvanceTo(start + 3 * 5000);
    EXPECT_EQ(rig.sent(0), Times(4, "save;quit"));
    EXPECT_EQ(rig.sent(1), Times(1, "save;quit"));
    // No minute ticks while waiting.
    EXPECT_EQ(rig.windows.windows[1].ticks.size(), 1u);
    EXPECT_TRUE(rig.platform.events.empty());

    // The server hangs up: the next wait tick finds nobody connected.
    rig.windows.windows[0].linkActive = false;
    rig.time.AdvanceTo(start + 4 * 5000);
    EXPECT_EQ(rig.sent(0), Times(4, "save;quit"));
    rig.time.AdvanceTo(start + 4 * 5000 + 1500);
    EXPECT_EQ(rig.platform.events, std::vector<Event>{Event::HangUp});
    // Ticks resume at the next full minute (aligned to the whole second the
    // hang-up happened in).
    rig.time.AdvanceTo(FakeClock::At(0, 6, 2, 1));
    EXPECT_EQ(rig.windows.windows[1].ticks.size(), 2u);
    EXPECT_EQ(rig.windows.windows[1].ticks.back(), FakeClock::At(0, 6, 2) + 500);
}

TEST(ClockHangUp, ClosingAWindowThatNeverDisconnectsEndsTheWait)
{
    Rig rig(FakeClock::At(0, 6, 0), 2);
    rig.windows.windows[0].linkActive = true;
    rig.windows.windows[1].linkActive = true;
    rig.HangUpAt(6, 1, true);
    rig.time.AdvanceTo(FakeClock::At(0, 6, 1) + 10 * 60000);
    EXPECT_EQ(rig.clock.state(), HangUpState::Waiting);
    EXPECT_EQ(rig.sent(1).size(), 1u + 10 * 12);
    // The first window goes: the rest move down a place, the wait goes on for
    // the one still connected, then ends when it is closed too.
    rig.windows.windows.erase(rig.windows.windows.begin());
    rig.time.Advance(5000);
    EXPECT_EQ(rig.clock.state(), HangUpState::Waiting);
    rig.windows.windows.clear();
    rig.time.Advance(5000 + 1500);
    EXPECT_EQ(rig.platform.events, std::vector<Event>{Event::HangUp});
    EXPECT_EQ(rig.clock.state(), HangUpState::HungUp);
}

TEST(ClockHangUp, ThreeStates)
{
    // idle -> waiting -> hung up -> (next day) waiting -> hung up, with the
    // timers as each state has them.
    Rig rig(FakeClock::At(0, 6, 0), 1);
    rig.HangUpAt(6, 1, true);
    struct Step
    {
        std::int64_t at;
        HangUpState state;
        bool timer1;
        bool timer2;
    };
    const std::int64_t day = FakeClock::At(1, 0, 0);
    const Step steps[] = {
        {FakeClock::At(0, 6, 0, 30), HangUpState::Idle, true, false},
        {FakeClock::At(0, 6, 1), HangUpState::Waiting, false, true},
        {FakeClock::At(0, 6, 1, 7), HangUpState::HungUp, true, false},
        {FakeClock::At(0, 12, 0), HangUpState::HungUp, true, false},
        // The minute ticks now come half a second after each full minute.
        {day + FakeClock::At(0, 6, 1, 1), HangUpState::Waiting, false, true},
        {day + FakeClock::At(0, 6, 1, 8), HangUpState::HungUp, true, false},
    };
    for (const Step &step : steps) {
        rig.time.AdvanceTo(step.at);
        EXPECT_EQ(rig.clock.state(), step.state) << step.at;
        EXPECT_EQ(rig.clock.minuteTimerActive(), step.timer1) << step.at;
        EXPECT_EQ(rig.clock.waitTimerActive(), step.timer2) << step.at;
    }
    EXPECT_EQ(rig.platform.events, std::vector<Event>(2, Event::HangUp));
}
