#include "core/shell/History.h"

#include <gtest/gtest.h>

using namespace shell;

namespace {

std::string Entry(int i)
{
    return "entry" + std::to_string(i);
}

HistoryStep Shows(const std::string &text)
{
    return {text, true};
}

} // namespace

TEST(CommandHistory, OnlyLinesLongerThanFourBytesAreRemembered)
{
    CommandHistory h;
    h.historyPos = 2;
    EXPECT_FALSE(h.StoreEnteredLine("look"));
    EXPECT_FALSE(h.StoreEnteredLine("\xD6\xD0\xCE\xC4")); // two Chinese characters
    EXPECT_FALSE(h.StoreEnteredLine(""));
    EXPECT_EQ(h.historyPos, 2);
    EXPECT_TRUE(h.commandHistory.empty());

    EXPECT_TRUE(h.StoreEnteredLine("north"));
    EXPECT_EQ(h.historyPos, 0);
    EXPECT_EQ(h.commandHistory, (std::vector<std::string>{"north"}));
}

TEST(CommandHistory, RepeatedLineMovesToTheNewestPlace)
{
    CommandHistory h;
    for (const char *line : {"alpha", "bravo", "charlie", "bravo"})
        h.StoreEnteredLine(line);
    EXPECT_EQ(h.commandHistory, (std::vector<std::string>{"alpha", "charlie", "bravo"}));
    h.StoreEnteredLine("Alpha"); // case-sensitive
    EXPECT_EQ(h.commandHistory.size(), 4u);
}

TEST(CommandHistory, FullHistoryDropsTheTwentyOldestFirst)
{
    CommandHistory h;
    for (int i = 0; i < 50; ++i)
        h.StoreEnteredLine(Entry(i));
    ASSERT_EQ(h.commandHistory.size(), 50u);

    CommandHistory fresh = h;
    fresh.StoreEnteredLine("brand new");
    ASSERT_EQ(fresh.commandHistory.size(), 31u);
    EXPECT_EQ(fresh.commandHistory.front(), Entry(20));
    EXPECT_EQ(fresh.commandHistory.back(), "brand new");

    // The line equals one of the 30 that remain: that copy goes too.
    CommandHistory repeat = h;
    repeat.StoreEnteredLine(Entry(25));
    ASSERT_EQ(repeat.commandHistory.size(), 30u);
    EXPECT_EQ(repeat.commandHistory.front(), Entry(20));
    EXPECT_EQ(repeat.commandHistory.back(), Entry(25));
    EXPECT_EQ(std::count(repeat.commandHistory.begin(), repeat.commandHistory.end(), Entry(25)), 1);

    // The line equals one of the dropped ones: nothing more to remove.
    CommandHistory dropped = h;
    dropped.StoreEnteredLine(Entry(3));
    EXPECT_EQ(dropped.commandHistory.size(), 31u);
}

TEST(CommandHistory, UpAndDownWalkTheEntries)
{
    CommandHistory h;
    for (const char *line : {"E1xxx", "E2xxx", "E3xxx"})
        h.StoreEnteredLine(line);

    EXPECT_EQ(h.Up(), Shows("E3xxx"));
    EXPECT_EQ(h.Up(), Shows("E2xxx"));
    EXPECT_EQ(h.Up(), Shows("E1xxx"));
    EXPECT_EQ(h.Up(), HistoryStep{}); // past the oldest: the line keeps E1
    EXPECT_EQ(h.historyPos, 4);
    EXPECT_EQ(h.Down(), Shows("E1xxx"));
    EXPECT_EQ(h.Down(), Shows("E2xxx"));
    EXPECT_EQ(h.Down(), Shows("E3xxx"));
    EXPECT_EQ(h.Down(), (HistoryStep{std::string(), false})); // emptied, not consumed
    EXPECT_EQ(h.historyPos, 0);
    EXPECT_EQ(h.Down(), (HistoryStep{std::string(), false}));
    EXPECT_EQ(h.historyPos, 0);
}

TEST(CommandHistory, UpKeepsCountingPastTheOldest)
{
    CommandHistory h;
    h.StoreEnteredLine("only1");
    EXPECT_EQ(h.Up(), Shows("only1"));
    EXPECT_EQ(h.Up(), HistoryStep{});
    EXPECT_EQ(h.Up(), HistoryStep{});
    // Down from 3 to 2 is still past the oldest: nothing happens.
    EXPECT_EQ(h.Down(), HistoryStep{});
    EXPECT_EQ(h.Down(), Shows("only1"));

    CommandHistory empty;
    EXPECT_EQ(empty.Up(), HistoryStep{});
    EXPECT_EQ(empty.historyPos, 1);
}
