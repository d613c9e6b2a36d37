// The clock as the player meets it: the "定时" dialog from the menu and its
// field rules, keep-alive commands reaching the demo game server each minute,
// and the scheduled hang-up (the last commands, the server closing, the wait
// ending, the machine's hang-up called). Time is a fake the test moves on; the
// machine's hang-up and power-off are a fake too.
#include "support/FakeClock.h"
#include "support/FrameFixture.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "ui/session/GameConnection.h"
#include "ui/session/GameWindow.h"
#include "ui/shell/ClockDialog.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using session::TMDIChild;

using testsupport::WaitFor;

using testsupport::FakeClock;
using testsupport::FakeHangUp;

class ClockFrame : public testsupport::FrameFixture<testsupport::DemoServerProcess>
{
protected:
    FakeClock *time = nullptr;
    FakeHangUp *machine = nullptr;

    shell::TClockForm &dialog() { return *ClockForm(); }

    // "定时" from the "设置" menu, as the player opens it.
    void OpenDialogFromMenu()
    {
        for (QAction *menu : form->menuBar()->actions()) {
            if (!menu->menu())
                continue;
            for (QAction *item : menu->menu()->actions()) {
                if (item->text() == QStringLiteral("定时")) {
                    item->trigger();
                    return;
                }
            }
        }
        FAIL() << "no 定时 entry";
    }

    void SetText(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    // Opens a window on the demo server and gives the character a name, so
    // the server takes later lines as commands.
    TMDIChild *OpenWindow()
    {
        next.port = server->port();
        form->OpenGameWindow();
        if (sessionCount() == 0)
            return nullptr;
        TMDIChild *window = sessions()[sessionCount() - 1];
        // Game text flows: lines sent from here on reach the server.
        if (!QTest::qWaitFor([&] { return window->connection().IsOpen(); }, 5000))
            return nullptr;
        window->SendTypedLine("tester");
        if (!QTest::qWaitFor([&] { return server->Log().contains("tester\n"); }, 5000))
            return nullptr;
        return window;
    }

    void SetUp() override
    {
        app::TMainForm::Services services;
        // Local time 8 hours ahead of UTC, starting at 20:10:30 local.
        auto clock = std::make_unique<FakeClock>(FakeClock::At(0, 12, 10, 30), 8 * 60);
        auto hangUp = std::make_unique<FakeHangUp>();
        time = clock.get();
        machine = hangUp.get();
        services.clockSource = std::move(clock);
        services.hangUp = std::move(hangUp);
        StartFrame(std::move(services));
    }
};

TEST_F(ClockFrame, DialogShowsTheFramesSettingsAndItsTexts)
{
    OpenDialogFromMenu();
    ASSERT_TRUE(dialog().isVisible());
    ASSERT_EQ(dialog().windowTitle(), QStringLiteral("定时"));
    ASSERT_EQ(dialog().size(), QSize(314, 265));
    ASSERT_EQ(dialog().IntervalEdit->text(), QStringLiteral("0"));
    ASSERT_EQ(dialog().KeepAliveCommandEdit->text(), QStringLiteral("save"));
    ASSERT_EQ(dialog().HangUpCommandsEdit->text(), QStringLiteral("save;quit"));
    ASSERT_TRUE(dialog().AllWindowsCheck->isChecked());
    ASSERT_TRUE(!dialog().KeepAliveCheck->isChecked());
    ASSERT_EQ(dialog().ShutDownCheck->text(), QStringLiteral("挂断后关闭计算机"));

    // "放弃" takes nothing over; opened again it shows the confirmed values.
    dialog().KeepAliveCheck->setChecked(true);
    SetText(dialog().KeepAliveCommandEdit, QStringLiteral("look"));
    QTest::mouseClick(dialog().nobutton, Qt::LeftButton);
    ASSERT_TRUE(!dialog().isVisible());
    ASSERT_EQ(form->clock().settings(), shell::ClockSettings{});
    OpenDialogFromMenu();
    ASSERT_TRUE(!dialog().KeepAliveCheck->isChecked());
    ASSERT_EQ(dialog().KeepAliveCommandEdit->text(), QStringLiteral("save"));
}

TEST_F(ClockFrame, IntervalFieldKeepsOnlyDigits)
{
    OpenDialogFromMenu();
    SetText(dialog().IntervalEdit, QStringLiteral("1a-2 .x3"));
    ASSERT_EQ(dialog().IntervalEdit->text(), QStringLiteral("123"));
    // The other number fields are not filtered; "确定" refuses what is typed there.
    SetText(dialog().HourEdit, QStringLiteral("2x"));
    ASSERT_EQ(dialog().HourEdit->text(), QStringLiteral("2x"));
}

TEST_F(ClockFrame, ConfirmRulesForTheNumberFields)
{
    OpenDialogFromMenu();
    SetText(dialog().HourEdit, QStringLiteral("ab"));
    QTest::mouseClick(dialog().yesbutton, Qt::LeftButton);
    ASSERT_EQ(messages.size(), std::size_t(1));
    ASSERT_EQ(messages[0].text, QStringLiteral("间隔时间,定时挂断必须输入数字类型数值"));
    ASSERT_EQ(messages[0].icon, platform::MessageIcon::Stop);
    ASSERT_TRUE(dialog().isVisible());
    ASSERT_EQ(form->clock().settings(), shell::ClockSettings{});

    // Empty fields read "0"; keep-alive ticked with no interval is off.
    dialog().KeepAliveCheck->setChecked(true);
    dialog().IntervalEdit->clear();
    dialog().HourEdit->clear();
    SetText(dialog().MinuteEdit, QStringLiteral("75"));
    QTest::mouseClick(dialog().yesbutton, Qt::LeftButton);
    ASSERT_TRUE(!dialog().isVisible());
    ASSERT_EQ(dialog().IntervalEdit->text(), QStringLiteral("0"));
    ASSERT_EQ(dialog().HourEdit->text(), QStringLiteral("0"));
    const shell::ClockSettings taken = form->clock().settings();
    ASSERT_TRUE(taken.keepAliveEnabled);
    ASSERT_EQ(taken.keepAliveMinutes, 0);
    ASSERT_EQ(taken.hangUpMinute, 75); // out of range is accepted, and never comes
}

TEST_F(ClockFrame, KeepAliveEveryMinuteReachesTheServer)
{
    TMDIChild *window = OpenWindow();
    ASSERT_TRUE(window);
    OpenDialogFromMenu();
    dialog().KeepAliveCheck->setChecked(true);
    SetText(dialog().IntervalEdit, QStringLiteral("1"));
    SetText(dialog().KeepAliveCommandEdit, QStringLiteral("look"));
    QTest::mouseClick(dialog().yesbutton, Qt::LeftButton);
    ASSERT_EQ(window->keepAlive().keepAliveMinutes, 1);

    for (int minute = 1; minute <= 3; ++minute) {
        time->Advance(FakeClock::At(0, 0, 1));
        ASSERT_TRUE(WaitFor([&] { return (server->Log().count("look\n")) == (minute); }));
    }
    ASSERT_TRUE(machine->events.empty());
}

TEST_F(ClockFrame, HangUpSendsTheLastCommandsWaitsForTheServerThenHangsUp)
{
    TMDIChild *window = OpenWindow();
    ASSERT_TRUE(window);
    // Local time is 20:10:30; the hang-up is set for 20:11.
    OpenDialogFromMenu();
    dialog().HangUpCheck->setChecked(true);
    SetText(dialog().HourEdit, QStringLiteral("20"));
    SetText(dialog().MinuteEdit, QStringLiteral("11"));
    dialog().WaitCheck->setChecked(true);
    dialog().ShutDownCheck->setChecked(true);
    QTest::mouseClick(dialog().yesbutton, Qt::LeftButton);

    time->Advance(30000);
    ASSERT_EQ(form->clock().state(), shell::HangUpState::Waiting);
    ASSERT_TRUE(!window->screen().triggers()->triggersEnabled);
    ASSERT_TRUE(WaitFor([&] { return bool(server->Log().contains("save\nquit\n")); }));
    // The demo server says goodbye and closes; the window sees it.
    ASSERT_TRUE(WaitFor([&] { return bool(!window->linkActive()); }));
    ASSERT_TRUE(machine->events.empty());

    time->Advance(5000);
    ASSERT_TRUE(form->clock().pausing());
    time->Advance(1500);
    using Event = FakeHangUp::Event;
    ASSERT_EQ(machine->events, (std::vector<Event>{Event::HangUp, Event::ShutDown}));
    ASSERT_EQ(form->clock().state(), shell::HangUpState::HungUp);
    // Sent once only: the window was no longer connected at the wait's tick.
    ASSERT_EQ(server->Log().count("quit\n"), 1);

    // Automatic input stays off until the player turns it on: one click on
    // the window's button, which shows it off.
    auto *autoButton = window->findChild<QToolButton *>(QStringLiteral("SpeedButton2"));
    ASSERT_TRUE(autoButton);
    ASSERT_EQ(autoButton->toolTip(), QStringLiteral("自动输入设置(状态：关闭)"));
    QTest::mouseClick(autoButton, Qt::LeftButton);
    ASSERT_TRUE(window->screen().triggers()->triggersEnabled);
}

TEST_F(ClockFrame, ClosingAWindowThatStaysConnectedEndsTheWait)
{
    TMDIChild *demo = OpenWindow();
    ASSERT_TRUE(demo);
    // A second game whose server never hangs up.
    testsupport::FakeGameServer stubborn;
    next.port = stubborn.port();
    form->OpenGameWindow();
    ASSERT_EQ(sessionCount(), 2);
    TMDIChild *other = sessions()[1];
    ASSERT_TRUE(WaitFor([&] { return bool(other->connection().IsOpen()); }));

    shell::ClockSettings settings = form->clock().settings();
    settings.hangUpEnabled = true;
    settings.hangUpHour = 20;
    settings.hangUpMinute = 11;
    settings.waitForDisconnect = true;
    form->clock().TakeOver(settings);
    time->Advance(30000);
    ASSERT_TRUE(WaitFor([&] { return bool(!demo->linkActive()); }));
    ASSERT_TRUE(WaitFor([&] { return (stubborn.received.count("quit\n")) == (1); }));

    // Still connected at the wait's tick: it gets the commands again.
    time->Advance(5000);
    ASSERT_TRUE(WaitFor([&] { return (stubborn.received.count("quit\n")) == (2); }));
    ASSERT_EQ(form->clock().state(), shell::HangUpState::Waiting);

    // The player closes it; the window on the left takes its place and
    // the wait asks only about what is still open.
    QMdiSubWindow *frame = form->SubWindowOf(1);
    ASSERT_TRUE(frame);
    frame->close();
    ASSERT_TRUE(WaitFor([&] { return (sessionCount()) == (1); }));
    time->Advance(5000);
    ASSERT_TRUE(form->clock().pausing());
    time->Advance(1500);
    ASSERT_EQ(machine->events, std::vector<FakeHangUp::Event>{FakeHangUp::Event::HangUp});
    ASSERT_EQ(stubborn.received.count("quit\n"), 2);
}
