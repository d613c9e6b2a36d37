#include "core/screen/AnsiColour.h"

#include <algorithm>

namespace screen {
namespace {

struct Rgb3
{
    int r, g, b;
};

// The usual terminal colours of the 16 slots.
constexpr Rgb3 kSlots[16] = {
    {0, 0, 0},     {205, 0, 0},     {0, 205, 0},     {205, 205, 0},   {0, 0, 238}, {205, 0, 205},
    {0, 205, 205}, {229, 229, 229}, {127, 127, 127}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {92, 92, 255}, {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

Rgb3 Colour256(int index)
{
    if (index < 16)
        return kSlots[index];
    if (index < 232) {
        static constexpr int kLevels[6] = {0, 95, 135, 175, 215, 255};
        const int n = index - 16;
        return {kLevels[n / 36], kLevels[(n / 6) % 6], kLevels[n % 6]};
    }
    const int grey = 8 + 10 * (index - 232);
    return {grey, grey, grey};
}

} // namespace

int SlotForRgb(int red, int green, int blue, bool background)
{
    red = std::clamp(red, 0, 255);
    green = std::clamp(green, 0, 255);
    blue = std::clamp(blue, 0, 255);
    const int slots = background ? 8 : 16;
    int best = 0;
    long bestDistance = -1;
    for (int s = 0; s < slots; ++s) {
        const long dr = red - kSlots[s].r, dg = green - kSlots[s].g, db = blue - kSlots[s].b;
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            best = s;
            bestDistance = d;
        }
    }
    return best;
}

int SlotFor256(int index, bool background)
{
    index = std::clamp(index, 0, 255);
    if (index < 16 && !background)
        return index;
    if (index < 8)
        return index;
    const Rgb3 c = Colour256(index);
    return SlotForRgb(c.r, c.g, c.b, background);
}

} // namespace screen
