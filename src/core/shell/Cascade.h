// Where the "层叠窗口" arrangement puts each game window inside the frame's area.
#pragma once

#include <vector>

namespace shell {

struct WindowRect
{
    int x = 0, y = 0, width = 0, height = 0;
};

// `count` windows, each `step` pixels (about a title bar) below and right of
// the one before, every one at least two thirds of the area in each direction
// so its text stays readable. When the steps would eat more than a third of
// the area the stair starts again at the top, nudged right so the title bars
// of the earlier stair stay visible; the first stair is the short one. Later
// windows lie on top.
std::vector<WindowRect> CascadeRects(int count, int areaWidth, int areaHeight, int step);

} // namespace shell
