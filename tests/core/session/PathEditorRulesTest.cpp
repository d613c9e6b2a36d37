// The path editor's list rules (confirm in place or append, blanks refused,
// delete, the delay field) and the direction editor's (a pair replaces the
// first row holding either word in either column).
#include "core/session/PathEditorRules.h"

#include <gtest/gtest.h>

using session::DirectionEditorRules;
using session::PathEditorRules;

using Strings = std::vector<std::string>;

TEST(PathEditorRules, ConfirmReplacesInPlaceOrAppends)
{
    struct Case
    {
        std::string name;
        std::string text;
        bool stored;
        Strings names;
        Strings texts;
    };
    const Case cases[] = {
        {"home", "s;s", true, {"home", "bank"}, {"s;s", "w"}},
        {"shop", "e", true, {"home", "bank", "shop"}, {"n\r\ne", "w", "e"}},
        // Exact and untrimmed: these are new names.
        {"Home", "x", true, {"home", "bank", "Home"}, {"n\r\ne", "w", "x"}},
        {" home", "x", true, {"home", "bank", " home"}, {"n\r\ne", "w", "x"}},
        // Blank name or blank text: nothing happens.
        {"  ", "n", false, {"home", "bank"}, {"n\r\ne", "w"}},
        {"home", " \r\n ", false, {"home", "bank"}, {"n\r\ne", "w"}},
    };
    for (const Case &c : cases) {
        PathEditorRules r;
        r.Load({{"home", "bank"}, {"n\r\ne", "w"}});
        EXPECT_EQ(r.Confirm(c.name, c.text), c.stored) << c.name;
        EXPECT_EQ(r.names, c.names) << c.name;
        EXPECT_EQ(r.texts, c.texts) << c.name;
    }
}

TEST(PathEditorRules, DeleteAndResult)
{
    PathEditorRules r;
    // A profile with fewer texts than names still gives aligned lists.
    r.Load({{"a", "b", "c"}, {"1"}});
    EXPECT_EQ(r.texts, (Strings{"1", "", ""}));
    EXPECT_FALSE(r.Delete(-1));
    EXPECT_FALSE(r.Delete(3));
    EXPECT_TRUE(r.Delete(1));
    const session::PathLists result = r.Result();
    EXPECT_EQ(result.pathNames, (Strings{"a", "c"}));
    EXPECT_EQ(result.pathTexts, (Strings{"1", ""}));
    r.Load({});
    EXPECT_FALSE(r.Delete(0));
}

TEST(PathEditorRules, SlowDelayField)
{
    EXPECT_EQ(PathEditorRules::SlowDelayFrom("1500"), 1500);
    EXPECT_EQ(PathEditorRules::SlowDelayFrom("0"), 0);
    EXPECT_EQ(PathEditorRules::SlowDelayFrom("-20"), -20);
    for (const char *bad : {"", "abc", "1.5", "15x", "99999999999"})
        EXPECT_FALSE(PathEditorRules::SlowDelayFrom(bad)) << bad;
}

TEST(DirectionEditorRules, ConfirmReplacesTheFirstRowHoldingEitherWord)
{
    struct Case
    {
        const char *what;
        std::string forward;
        std::string reverse;
        Strings forwards;
        Strings reverses;
    };
    const Case cases[] = {
        {"forward word in the forward column", "e", "x", {"e", "s", "up"}, {"x", "n", "down"}},
        {"reverse word in the reverse column", "y", "n", {"e", "y", "up"}, {"w", "n", "down"}},
        {"forward word in the reverse column", "down", "q", {"e", "s", "down"}, {"w", "n", "q"}},
        {"reverse word in the forward column", "q", "s", {"e", "q", "up"}, {"w", "s", "down"}},
        {"first matching row wins", "w", "s", {"w", "s", "up"}, {"s", "n", "down"}},
        {"no match appends", "in", "out", {"e", "s", "up", "in"}, {"w", "n", "down", "out"}},
        {"empty words are stored", "", "", {"e", "s", "up", ""}, {"w", "n", "down", ""}},
    };
    for (const Case &c : cases) {
        DirectionEditorRules r;
        r.Load({{"e", "s", "up"}, {"w", "n", "down"}});
        r.Confirm(c.forward, c.reverse);
        EXPECT_EQ(r.forward, c.forwards) << c.what;
        EXPECT_EQ(r.reverse, c.reverses) << c.what;
    }
}

TEST(DirectionEditorRules, DeleteKeepsRowsAligned)
{
    DirectionEditorRules r;
    r.Load(session::DirectionPairs::Seeded());
    ASSERT_EQ(r.size(), 17u);
    EXPECT_TRUE(r.Delete(0));
    EXPECT_FALSE(r.Delete(16));
    const session::DirectionPairs pairs = r.Result();
    EXPECT_EQ(pairs.forwardDirections.front(), "east");
    EXPECT_EQ(pairs.reverseDirections.front(), "west");
    EXPECT_EQ(pairs.forwardDirections.size(), pairs.reverseDirections.size());
}
