#include "core/screen/SplitView.h"

#include <gtest/gtest.h>

using namespace screen;

TEST(SplitView, LayoutKeepsBothPartsAndFitsTheDividerBelowTheRows)
{
    struct Case
    {
        int height, rowHeight, rows, wanted;
        int upper, lower;
    };
    // clang-format off
    const Case cases[] = {
        {400, 19, 20, 5,  15, 5},
        {400, 19, 20, 0,  20, 0},  // not split
        {400, 19, 20, 40, 1, 19},  // the upper part keeps a row
        {400, 19, 20, -3, 20, 0},
        {57,  19, 2,  5,  1, 1},
        {38,  19, 1,  5,  1, 0},   // one row cannot split
        {40,  20, 1,  1,  1, 0},
        {42,  20, 2,  1,  2, 0},   // no room left below the rows for the divider
    };
    // clang-format on
    for (const Case &c : cases) {
        const SplitLayout l = LayOutSplit(c.height, c.rowHeight, c.rows, c.wanted);
        EXPECT_EQ(l.upperRows, c.upper) << c.height << " " << c.wanted;
        EXPECT_EQ(l.lowerRows, c.lower) << c.height << " " << c.wanted;
        if (!l.open())
            continue;
        EXPECT_EQ(l.dividerTop, l.upperRows * c.rowHeight);
        EXPECT_EQ(l.lowerTop, l.dividerTop + SplitLayout::kDividerHeight);
        EXPECT_LE(l.lowerTop + l.lowerRows * c.rowHeight, c.height);
    }
}

TEST(SplitView, DividerSnapsToTheNearestRowAndIsEasyToGrab)
{
    EXPECT_EQ(LowerRowsForDivider(15 * 19, 19, 20), 5);
    EXPECT_EQ(LowerRowsForDivider(15 * 19 + 9, 19, 20), 5);
    EXPECT_EQ(LowerRowsForDivider(15 * 19 + 10, 19, 20), 4);
    EXPECT_EQ(LowerRowsForDivider(-50, 19, 20), 19);
    EXPECT_EQ(LowerRowsForDivider(5000, 19, 20), 1);

    const SplitLayout l = LayOutSplit(400, 19, 20, 5);
    EXPECT_FALSE(OnDivider(l, l.dividerTop - 4));
    EXPECT_TRUE(OnDivider(l, l.dividerTop - 3));
    EXPECT_TRUE(OnDivider(l, l.lowerTop + 2));
    EXPECT_FALSE(OnDivider(l, l.lowerTop + 3));
    EXPECT_FALSE(OnDivider(LayOutSplit(400, 19, 20, 0), 0));
}
