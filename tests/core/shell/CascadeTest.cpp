#include "core/shell/Cascade.h"

#include <gtest/gtest.h>

namespace {

struct CascadeCase
{
    int count, width, height, step;
};

class CascadeRectsCase : public testing::TestWithParam<CascadeCase>
{};

// Every window keeps two thirds of the area, stays inside it, and no two
// windows stand at the same place (each title bar can be reached).
TEST_P(CascadeRectsCase, WindowsKeepAUsableSizeInsideTheArea)
{
    const CascadeCase c = GetParam();
    const std::vector<shell::WindowRect> rects =
        shell::CascadeRects(c.count, c.width, c.height, c.step);
    ASSERT_EQ(static_cast<int>(rects.size()), c.count);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const shell::WindowRect &r = rects[i];
        EXPECT_GE(r.width * 3, c.width * 2) << i;
        EXPECT_GE(r.height * 3, c.height * 2) << i;
        EXPECT_GE(r.x, 0);
        EXPECT_GE(r.y, 0);
        EXPECT_LE(r.x + r.width, c.width) << i;
        EXPECT_LE(r.y + r.height, c.height) << i;
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_FALSE(rects[j].x == r.x && rects[j].y == r.y) << j << " and " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Areas, CascadeRectsCase,
                         testing::Values(CascadeCase{1, 800, 400, 24}, CascadeCase{5, 800, 400, 24},
                                         CascadeCase{14, 800, 400, 24},
                                         CascadeCase{40, 1200, 700, 24},
                                         CascadeCase{5, 300, 600, 24}));

TEST(CascadeRects, StepsGoDownAndRight)
{
    const auto rects = shell::CascadeRects(3, 800, 600, 20);
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0].x, 0);
    EXPECT_EQ(rects[0].y, 0);
    EXPECT_EQ(rects[1].x, 20);
    EXPECT_EQ(rects[1].y, 20);
    EXPECT_EQ(rects[2].y, 40);
    EXPECT_EQ(rects[0].width, 760);
    EXPECT_EQ(rects[0].height, 560);
}

TEST(CascadeRects, TheTopWindowEndsAFullStair)
{
    // Fourteen windows do not fit one stair; the last one, drawn on top,
    // still stands lowest, with no window below or right of it.
    const auto rects = shell::CascadeRects(14, 800, 400, 24);
    const shell::WindowRect &top = rects.back();
    for (const shell::WindowRect &r : rects) {
        EXPECT_LE(r.y, top.y);
        EXPECT_LE(r.x, top.x);
    }
}

} // namespace
