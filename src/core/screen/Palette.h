// The screen's look: the default colour palette and font, kept together so
// the screen can copy them whole under its lock.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace screen {

// A 24-bit colour number: red + 256 * green + 65536 * blue.
using Colour = std::uint32_t;

constexpr Colour Rgb(unsigned red, unsigned green, unsigned blue)
{
    return red + 256u * green + 65536u * blue;
}

constexpr int kPaletteSlots = 16;
using PaletteColours = std::array<Colour, kPaletteSlots>;

// Foreground slot defaults: slots 0-7 for SGR 30-37, 8-15 for bold 30-37.
PaletteColours DefaultForeground();
// Background slot defaults: the foreground table with slots 0 and 8 black.
PaletteColours DefaultBackground();

struct ScreenLook
{
    PaletteColours fgPalette = DefaultForeground();
    PaletteColours bgPalette = DefaultBackground();
    std::string fontName = "\xCB\xCE\xCC\xE5"; // 宋体, GBK
    int fontSize = 14;                         // font height in pixels
    int lineSpacing = 5;                       // pixels added below each row

    int RowHeight() const { return fontSize + lineSpacing; }

    // The palette as one list of kLookColours slots, as the colour dialog
    // shows it and a profile stores it: the 16 foreground colours, then the 8
    // background ones.
    static constexpr int kLookColours = 24;
    Colour &PaletteSlot(int i)
    {
        return i < 16 ? fgPalette[std::size_t(i)] : bgPalette[std::size_t(i - 16)];
    }
    Colour PaletteSlot(int i) const
    {
        return i < 16 ? fgPalette[std::size_t(i)] : bgPalette[std::size_t(i - 16)];
    }
};

} // namespace screen
