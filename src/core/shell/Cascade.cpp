#include "core/shell/Cascade.h"

#include <algorithm>

namespace shell {

std::vector<WindowRect> CascadeRects(int count, int areaWidth, int areaHeight, int step)
{
    std::vector<WindowRect> rects;
    if (count <= 0)
        return rects;
    areaWidth = std::max(areaWidth, 1);
    areaHeight = std::max(areaHeight, 1);
    step = std::max(step, 1);
    // Windows in one stair: its steps take at most a third of the height.
    const int perStair = std::min(count, 1 + areaHeight / 3 / step);
    const int stairs = (count + perStair - 1) / perStair;
    const int offset = (perStair - 1) * step;
    const int sideways = offset + (stairs - 1) * step;
    const int width = std::max(areaWidth - std::min(sideways, areaWidth / 3), 1);
    const int height = std::max(areaHeight - offset, 1);
    rects.reserve(static_cast<std::size_t>(count));
    // The first stair takes what is left over, so the last window, on top,
    // ends a full stair at its lower right like a single stair does.
    const int skipped = stairs * perStair - count;
    for (int i = 0; i < count; ++i) {
        const int stair = (i + skipped) / perStair, k = (i + skipped) % perStair;
        WindowRect r;
        r.width = width;
        r.height = height;
        r.x = std::min(k * step + stair * step, areaWidth - width);
        r.y = k * step;
        rects.push_back(r);
    }
    return rects;
}

} // namespace shell
