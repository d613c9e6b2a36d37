#include "core/screen/SplitView.h"

#include <algorithm>

namespace screen {

namespace {

constexpr int kGrabGrace = 3; // pixels either side of the divider

} // namespace

SplitLayout LayOutSplit(int viewHeight, int rowHeight, int rows, int lowerWanted)
{
    SplitLayout layout;
    layout.upperRows = std::max(rows, 0);
    if (lowerWanted <= 0 || rows < 2 || rowHeight <= 0 ||
        viewHeight - rows * rowHeight < SplitLayout::kDividerHeight)
        return layout;
    layout.lowerRows = std::clamp(lowerWanted, 1, rows - 1);
    layout.upperRows = rows - layout.lowerRows;
    layout.dividerTop = layout.upperRows * rowHeight;
    layout.lowerTop = layout.dividerTop + SplitLayout::kDividerHeight;
    return layout;
}

int LowerRowsForDivider(int y, int rowHeight, int rows)
{
    if (rowHeight <= 0 || rows < 2)
        return 1;
    const int upper = (std::max(y, 0) + rowHeight / 2) / rowHeight;
    return std::clamp(rows - upper, 1, rows - 1);
}

bool OnDivider(const SplitLayout &layout, int y)
{
    return layout.open() && y >= layout.dividerTop - kGrabGrace && y < layout.lowerTop + kGrabGrace;
}

} // namespace screen
