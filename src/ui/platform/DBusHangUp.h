// The machine's side of the scheduled hang-up on Linux: dial-up links taken
// down through NetworkManager and the power-off asked of logind, both over
// the D-Bus connection it is given. Only the program's start-up hands it the
// system bus; tests hand it a private bus of their own.
#pragma once

#include "core/shell/ClockPorts.h"

#include <QDBusConnection>
#include <QString>

namespace platform {

class DBusHangUp : public shell::HangUpPlatform
{
public:
    explicit DBusHangUp(const QDBusConnection &bus);

    // Deactivates every active connection of a dial-up kind (mobile broadband,
    // PPPoE, Bluetooth dial-up) in NetworkManager's order, stopping at the
    // first refusal. False where NetworkManager cannot be asked or refused one.
    bool HangUpDialUp() override;
    // logind's PowerOff, interactive so the desktop's usual authorisation
    // applies. Sent without waiting: a refusal or a missing logind changes
    // nothing and is not reported.
    void ShutDownSystem() override;

    // Whether an active connection of NetworkManager type `type` is a dial-up
    // link; Bluetooth ones only when their settings say dial-up.
    static bool IsDialUpType(const QString &type);

private:
    bool IsDialUp(const QString &activePath);

    QDBusConnection bus_;
};

// The program's own hang-up does nothing: the start-up gives the frame the
// real one. A frame made without it (tests) can never reach the machine.
class NoHangUp : public shell::HangUpPlatform
{
public:
    bool HangUpDialUp() override { return false; }
    void ShutDownSystem() override {}
};

} // namespace platform
