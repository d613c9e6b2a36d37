// The clock's program-wide settings, as the clock dialog edits them, and the
// dialog's rules for its fields. Nothing here is saved: the settings live as
// long as the program.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace shell {

struct ClockSettings
{
    bool hangUpEnabled = false;
    int hangUpHour = 0;
    int hangUpMinute = 0;
    std::string hangUpCommands = "save;quit";
    bool waitForDisconnect = false;
    bool shutdownAfterHangUp = false;
    bool keepAliveEnabled = false;
    bool keepAliveAllWindows = true;
    int keepAliveMinutes = 0;
    std::string keepAliveCommand = "save";

    bool operator==(const ClockSettings &) const = default;
};

// Whether a character typed into the interval field is kept: digits, control
// characters (Backspace) and everything from 0x80 up pass; other printable
// ASCII is dropped.
bool IntervalKeyPasses(char32_t c);

// What the dialog shows, byte strings in GBK.
struct ClockFormFields
{
    bool hangUpEnabled = false;
    std::string hangUpHour;
    std::string hangUpMinute;
    std::string hangUpCommands;
    bool waitForDisconnect = false;
    bool shutdownAfterHangUp = false;
    bool keepAliveEnabled = false;
    bool keepAliveAllWindows = true;
    std::string keepAliveMinutes;
    std::string keepAliveCommand;
};

// The fields as the dialog opens on `settings`.
ClockFormFields FieldsFrom(const ClockSettings &settings);

// "确定": an empty interval, hour or minute field becomes "0" in `fields`;
// then the settings, or nothing when one of the three is not a decimal number.
// The hour and minute are not checked against their ranges: a time that never
// comes is accepted and simply never fires.
std::optional<ClockSettings> ConfirmFields(ClockFormFields &fields);

} // namespace shell
