#include "ClockSettings.h"

#include "core/text/GbkText.h"

namespace shell {

bool IntervalKeyPasses(char32_t c)
{
    const bool punctuation = c >= 0x20 && c <= 0x2F;
    const bool lettersAndAbove = c >= 0x3A && c <= 0x7F;
    return !punctuation && !lettersAndAbove;
}

ClockFormFields FieldsFrom(const ClockSettings &settings)
{
    ClockFormFields fields;
    fields.hangUpEnabled = settings.hangUpEnabled;
    fields.hangUpHour = std::to_string(settings.hangUpHour);
    fields.hangUpMinute = std::to_string(settings.hangUpMinute);
    fields.hangUpCommands = settings.hangUpCommands;
    fields.waitForDisconnect = settings.waitForDisconnect;
    fields.shutdownAfterHangUp = settings.shutdownAfterHangUp;
    fields.keepAliveMinutes = std::to_string(settings.keepAliveMinutes);
    fields.keepAliveCommand = settings.keepAliveCommand;
    fields.keepAliveEnabled = settings.keepAliveEnabled;
    fields.keepAliveAllWindows = settings.keepAliveAllWindows;
    return fields;
}

std::optional<ClockSettings> ConfirmFields(ClockFormFields &fields)
{
    for (std::string *field :
         {&fields.keepAliveMinutes, &fields.hangUpHour, &fields.hangUpMinute}) {
        if (field->empty())
            field->push_back('0'); // an empty field reads as "0"
    }
    const auto minutes = gbk::ToInt(fields.keepAliveMinutes);
    const auto hour = gbk::ToInt(fields.hangUpHour);
    const auto minute = gbk::ToInt(fields.hangUpMinute);
    if (!minutes || !hour || !minute)
        return std::nullopt;

    ClockSettings settings;
    settings.hangUpEnabled = fields.hangUpEnabled;
    settings.hangUpHour = *hour;
    settings.hangUpMinute = *minute;
    settings.hangUpCommands = fields.hangUpCommands;
    settings.waitForDisconnect = fields.waitForDisconnect;
    settings.shutdownAfterHangUp = fields.shutdownAfterHangUp;
    settings.keepAliveMinutes = *minutes;
    settings.keepAliveCommand = fields.keepAliveCommand;
    settings.keepAliveEnabled = fields.keepAliveEnabled;
    settings.keepAliveAllWindows = fields.keepAliveAllWindows;
    return settings;
}

} // namespace shell
