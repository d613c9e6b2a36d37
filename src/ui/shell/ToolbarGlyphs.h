// The pictures of the main frame's eleven toolbar buttons, drawn once.
#pragma once

#include <QIcon>

namespace shell {

enum class ToolbarGlyph {
    Connect,
    Disconnect,
    Automation,
    AuxWindow,
    Hotkeys,
    CommandGroups,
    Colours,
    Paths,
    Timer,
    SaveSettings,
    LoadSettings,
};

constexpr int kToolbarGlyphSize = 24;

QIcon ToolbarIcon(ToolbarGlyph glyph);

} // namespace shell
