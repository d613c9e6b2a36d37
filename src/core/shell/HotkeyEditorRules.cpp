#include "core/shell/HotkeyEditorRules.h"

#include "core/text/PairedLists.h"

namespace shell {

void HotkeyEditorRules::Load(const session::HotkeyLists &lists)
{
    names = lists.hotkeyNames;
    commands = lists.hotkeyCommands;
    // The two lists stay index-aligned whatever a profile held.
    commands.resize(names.size());
}

bool HotkeyEditorRules::Confirm(const std::string &keyName, const std::string &command)
{
    if (keyName.empty() || command.empty())
        return false;
    lists::SetNamed(names, commands, keyName, command);
    return true;
}

bool HotkeyEditorRules::Delete(int index)
{
    return lists::EraseEntry(names, commands, index);
}

const std::string *HotkeyCommandFor(const session::HotkeyLists &lists, std::string_view keyName)
{
    // A linear scan: it runs on every key press, over a handful of names.
    const auto &names = lists.hotkeyNames;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == keyName)
            return i < lists.hotkeyCommands.size() ? &lists.hotkeyCommands[i] : nullptr;
    }
    return nullptr;
}

} // namespace shell
