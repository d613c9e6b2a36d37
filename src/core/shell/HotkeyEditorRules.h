// The hotkey editor's working copy of a window's hotkeys and the rules of its
// buttons, kept free of widgets; and the look-up that fires a hotkey.
#pragma once

#include "core/session/SessionState.h"

#include <string>
#include <string_view>
#include <vector>

namespace shell {

class HotkeyEditorRules
{
public:
    // The listed key names and, at the same index, their command texts.
    std::vector<std::string> names;
    std::vector<std::string> commands;

    // Takes a copy of the window's lists; earlier unsaved edits are gone.
    void Load(const session::HotkeyLists &lists);

    // "确定". Nothing happens (false) when the key name or the command is empty.
    // The first listed name equal to `keyName` (byte-wise) gets the command in
    // its place, so a name is never listed twice; otherwise both are appended.
    bool Confirm(const std::string &keyName, const std::string &command);

    // "删除": removes entry `index`; false when there is no such entry.
    bool Delete(int index);

    // "关闭": what goes back to the window, in list order.
    session::HotkeyLists Result() const { return {names, commands}; }

    std::size_t size() const { return names.size(); }
};

// The command bound to the first hotkey named exactly `keyName`, or null.
const std::string *HotkeyCommandFor(const session::HotkeyLists &lists, std::string_view keyName);

} // namespace shell
