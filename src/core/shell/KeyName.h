// Key names ("Ctrl+A", "Shift+F:") built from virtual-key codes and modifiers,
// the names hotkeys are stored under, and the mapping from Qt's key numbers.
#pragma once

#include <cstdint>
#include <string>

namespace shell {

// The name of a key with its modifiers: "Shift+", "Alt+", "Ctrl+" in that order,
// then one character for the key. Key code 0 gives the empty name. Codes 0x21 to
// 0x6F add the character of that code, F1-F12 (0x70-0x7B) add "F" and the
// character of code - 63 (so F10 is "F:"), every other code adds nothing.
// Profiles store these names, so they must never change.
std::string BuildKeyName(int keyCode, bool shift, bool alt, bool ctrl);

// A key press in the terms of BuildKeyName.
struct KeyPress
{
    int keyCode = 0;
    bool shift = false;
    bool alt = false;
    bool ctrl = false;

    bool operator==(const KeyPress &) const = default;
};

// The virtual-key code for a Qt key number (QKeyEvent::key() as a plain
// integer); `keypad` says the key is on the numeric keypad. Unknown keys give 0.
// Shifted symbols of the US layout name the key they are typed on ("!" is the
// 1 key), because the code names the key, not the character.
int VirtualKeyFromQtKey(int qtKey, bool keypad);

// The whole press from QKeyEvent::key() and QKeyEvent::modifiers() as plain
// integers. A modifier key pressed alone counts as held, so Ctrl alone is "Ctrl+".
KeyPress KeyPressFromQt(int qtKey, std::uint32_t qtModifiers);

} // namespace shell
