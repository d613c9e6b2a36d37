#include "core/screen/ScrollState.h"

#include <gtest/gtest.h>
#include <string>

using namespace screen;

namespace {

const std::string kScrollingHint = "屏幕滚动设置(状态：滚动)";
const std::string kStoppedHint = "屏幕滚动设置(状态：停止滚动)";

void ExpectFollowing(const ScrollState &s)
{
    EXPECT_EQ(s.scrollPos(), ScrollState::kFollow);
    EXPECT_EQ(s.tag(), 1);
    EXPECT_EQ(s.hint(), kScrollingHint);
}

void ExpectStoppedAt(const ScrollState &s, int pos)
{
    EXPECT_EQ(s.scrollPos(), pos);
    EXPECT_EQ(s.tag(), 0);
    EXPECT_EQ(s.hint(), kStoppedHint);
}

} // namespace

TEST(ScrollState, FollowsFromTheStartAndKeepsTheBarAtTheEnd)
{
    ScrollState s;
    ExpectFollowing(s);
    EXPECT_EQ(s.BarFor(50).maximum, 50);
    EXPECT_EQ(s.BarFor(50).position, 50);
    // The frame setting the bar to its end runs the handler: still following.
    s.BarChanged(50, 50);
    ExpectFollowing(s);
}

TEST(ScrollState, MovingUpStopsAndTheEndDoesNotResumeFollowing)
{
    ScrollState s;
    s.BarChanged(30, 50);
    ExpectStoppedAt(s, 30);
    EXPECT_EQ(s.BarFor(60).maximum, 60);
    EXPECT_EQ(s.BarFor(60).position, 30);

    s.BarChanged(50, 50);
    ExpectStoppedAt(s, 50); // the end is shown, frozen

    EXPECT_TRUE(s.LockClick(50)); // released: jump to the newest line
    ExpectFollowing(s);
}

TEST(ScrollState, LockClickFreezesOnTheBarPosition)
{
    ScrollState s;
    EXPECT_FALSE(s.LockClick(42));
    ExpectStoppedAt(s, 42);
    s.ReturnToFollow();
    ExpectFollowing(s);

    s.SwitchToStopped(7);
    ExpectStoppedAt(s, 7);
    s.SwitchToScrolling();
    ExpectFollowing(s);
}

TEST(ScrollState, NegativePositionsCountAsZero)
{
    ScrollState s;
    s.BarChanged(-3, 50);
    ExpectStoppedAt(s, 0);
    s.SwitchToScrolling();
    s.SwitchToStopped(-1);
    ExpectStoppedAt(s, 0);
}

TEST(ScrollState, SplitOpensWhenScrolledBackAndClosesAtTheEnd)
{
    ScrollState s;
    s.SetSplitEnabled(true);
    s.BarChanged(30, 50);
    ExpectStoppedAt(s, 30);
    EXPECT_TRUE(s.splitOpen());
    s.BarChanged(35, 50); // still reading back
    EXPECT_TRUE(s.splitOpen());
    s.BarChanged(50, 50); // the end closes the split and follows, unlike the plain lock
    ExpectFollowing(s);
    EXPECT_FALSE(s.splitOpen());

    // The lock freezes without splitting; scrolling back from there splits.
    EXPECT_FALSE(s.LockClick(50));
    EXPECT_FALSE(s.splitOpen());
    s.BarChanged(20, 60);
    EXPECT_TRUE(s.splitOpen());
    // Releasing the lock, a typed line and switching the split off all close it.
    EXPECT_TRUE(s.LockClick(20));
    EXPECT_FALSE(s.splitOpen());
    s.GoBackTo(12); // a search's match
    ExpectStoppedAt(s, 12);
    EXPECT_TRUE(s.splitOpen());
    s.ReturnToFollow();
    EXPECT_FALSE(s.splitOpen());
    s.BarChanged(10, 60);
    s.SetSplitEnabled(false);
    ExpectStoppedAt(s, 10); // frozen where it was, as the plain lock
    EXPECT_FALSE(s.splitOpen());
    s.GoBackTo(5);
    EXPECT_FALSE(s.splitOpen());
}
