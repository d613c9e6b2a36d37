#include "core/screen/Palette.h"

namespace screen {

PaletteColours DefaultForeground()
{
    // clang-format off
    return {
        Rgb(223, 223, 223), Rgb(255, 0, 0),     Rgb(0, 255, 0),     Rgb(255, 255, 0),
        Rgb(0, 0, 255),     Rgb(255, 0, 128),   Rgb(38, 179, 157),  Rgb(218, 218, 218),
        Rgb(0, 255, 128),   Rgb(255, 128, 128), Rgb(128, 255, 128), Rgb(255, 255, 128),
        Rgb(128, 128, 255), Rgb(255, 128, 255), Rgb(128, 255, 0),   Rgb(255, 255, 255),
    };
    // clang-format on
}

PaletteColours DefaultBackground()
{
    PaletteColours colours = DefaultForeground();
    colours[0] = Rgb(0, 0, 0);
    colours[8] = Rgb(0, 0, 0);
    return colours;
}

} // namespace screen
