// The main frame's side of the clock: the dialog, and the game windows as the
// clock sees them (by their place in the frame's array, asked afresh on each
// tick, so a window closed during a hang-up wait simply drops out of it).
#include "MainFrame.h"
#include "core/session/SessionCodes.h"
#include "ui/shell/ClockDialog.h"

#include <QTabBar>

namespace app {

void TMainForm::ShowClockDialog()
{
    // Always the frame's last confirmed settings, never one window's.
    ClockForm->Open(clock_->settings(), [this] { FrameNotice(0, session::kClockConfirmed); });
}

int TMainForm::WindowCount() const
{
    return sessionCount;
}

int TMainForm::SelectedWindow() const
{
    const int index = TabControl1->currentIndex();
    return index >= 0 && index < sessionCount ? index : -1;
}

void TMainForm::MinuteTick(int index)
{
    sessions[index]->SessionCommand(session::kMinuteTick);
}

void TMainForm::PrepareHangUp(int index, const std::string &commands)
{
    session::TMDIChild *window = sessions[index];
    session::KeepAliveSettings settings = window->keepAlive();
    settings.hangUpCommands = commands;
    window->SetKeepAlive(settings);
    // Off until the player turns automatic input back on in that window.
    window->SetTriggersEnabled(false);
}

void TMainForm::SendHangUp(int index)
{
    sessions[index]->SessionCommand(session::kHangUp);
}

bool TMainForm::LinkActive(int index) const
{
    return sessions[index]->linkActive();
}

void TMainForm::HandKeepAlive(int index, const std::string &command, int minutes)
{
    session::TMDIChild *window = sessions[index];
    session::KeepAliveSettings settings = window->keepAlive();
    settings.keepAliveCommand = command;
    settings.keepAliveMinutes = minutes;
    window->SetKeepAlive(settings);
}

} // namespace app
