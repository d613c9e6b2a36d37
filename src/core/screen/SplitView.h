// The split view while scrolled back: the view's rows parted into an upper
// part (the history where the player scrolled to) and a lower part (the
// newest lines as they arrive), with a thin divider between the two that the
// player drags to give the lower part more or fewer rows.
#pragma once

namespace screen {

struct SplitLayout
{
    static constexpr int kDividerHeight = 3; // pixels
    static constexpr int kDefaultLowerRows = 5;

    int upperRows = 0;  // rows of the upper part, from the top of the view
    int lowerRows = 0;  // rows of the lower part; 0: the view is not split
    int dividerTop = 0; // pixels: the divider's first line
    int lowerTop = 0;   // pixels: the lower part's first row

    bool open() const { return lowerRows > 0; }
};

// The layout of a view of `viewHeight` pixels that shows `rows` rows of
// `rowHeight` pixels, with `lowerWanted` rows asked for the lower part (0:
// not split). The lower part keeps at least one row and leaves the upper part
// at least one; a view too small for that, or for the divider, is not split.
// The divider takes its pixels from the room kept free below the last row.
SplitLayout LayOutSplit(int viewHeight, int rowHeight, int rows, int lowerWanted);

// Rows the lower part gets when the divider is dragged to pixel `y`: the
// divider snaps to the row boundary nearest the pointer.
int LowerRowsForDivider(int y, int rowHeight, int rows);

// Whether pixel `y` of the view lies on the divider (with a few pixels'
// grace above and below, so a thin line is easy to grab).
bool OnDivider(const SplitLayout &layout, int y);

} // namespace screen
