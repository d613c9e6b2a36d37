// Reversing a walking path: the steps in reverse order, words through the
// direction pairs (both columns, first pair wins, byte-wise), groups, brace
// blocks and "#" commands reversed inside, split exactly as the runner splits.
#include "core/session/PathReversal.h"

#include <gtest/gtest.h>

using automation::GroupTable;
using session::DirectionPairs;
using session::PathReverser;

namespace {

GroupTable::Groups NoGroups()
{
    return {};
}

struct Case
{
    const char *what;
    std::string text;
    std::string reversed;
};

} // namespace

TEST(ReversePath, SeededPairs)
{
    const Case cases[] = {
        {"separators", "n;n;e", "w\ns\ns\n"},
        {"CR LF lines, unpaired word kept", "north\r\nup\r\nout", "out\ndown\nsouth\n"},
        {"repeat keeps its count", "#3 n", "#3 s\n"},
        {"wait kept whole", "#WA 1000", "#WA 1000\n"},
        {"built-in without space", "#FA", "#FA\n"},
        {"brace block, a ';' after every element", "{n;e;u}", "{u;w;s;}\n"},
        {"pair found from its second column", "ne", "sw\n"},
        {"pair found from its first column", "sw", "ne\n"},
        {"nw", "nw", "se\n"},
        {"plain step then braces stays one step", "n;{s;w}", "n;{s;w}\n"},
        {"the same on two lines", "n\r\n{s;w}", "{e;n;}\ns\n"},
        {"case counts", "North;n", "s\nNorth\n"},
        {"blanks around steps", "  n ; e  \r\n", "w\ns\n"},
        {"repeat of a block", "#2 {n;e}", "#2 {w;s;}\n"},
        {"long words", "southeast;eastup", "westdown\nnorthwest\n"},
        // "北" (0xB1 0xB1) is no direction: it comes back unchanged.
        {"GBK word", "\xB1\xB1;e", "w\n\xB1\xB1\n"},
        {"empty text is one empty step", "", "\n\n"},
    };
    const PathReverser reverser(DirectionPairs::Seeded(), NoGroups());
    for (const Case &c : cases)
        EXPECT_EQ(reverser.ReversePath(c.text), c.reversed) << c.what;
}

TEST(ReversePath, GroupStepIsItsContentReversed)
{
    GroupTable table;
    table.Replace({"tohome", "tohome", "loop"}, {"n;e\r\nup", "ignored: first name wins", "loop"});
    const PathReverser reverser(DirectionPairs::Seeded(), table.Snapshot());
    // The group's own lines come back in reverse order; its reversal ends in
    // LF and the step adds its own.
    EXPECT_EQ(reverser.ReversePath("s;tohome;w"), "e\ndown\nw\ns\n\nn\n");
    EXPECT_EQ(reverser.ReverseStep(" tohome "), "down\nw\ns\n");
    EXPECT_EQ(reverser.ReverseStep("{tohome;e}"), "{w;down\nw\ns\n;}");
    // A group that names itself stops at the depth limit instead of
    // overflowing the stack; what is left is the name as a word.
    const std::string looped = reverser.ReversePath("loop");
    EXPECT_NE(looped.find("loop\n"), std::string::npos);
    EXPECT_EQ(looped.find_first_not_of("loop\n"), std::string::npos);
}

// Groups that name themselves or each other several times would grow as a
// power of the depth limit: a group inside itself stays a word, and the
// expanded content of one reversal is bounded.
TEST(ReversePath, ExpandingGroupsStayBounded)
{
    GroupTable selfTwice;
    selfTwice.Replace({"a"}, {"a;n;a"});
    EXPECT_EQ(PathReverser(DirectionPairs::Seeded(), selfTwice.Snapshot()).ReversePath("a"),
              "a\ns\na\n\n");

    // g0 names g1 twice, g1 names g2 twice, ... 40 levels: 2^40 steps unbounded.
    std::vector<std::string> names, contents;
    for (int i = 0; i < 40; ++i) {
        names.push_back("g" + std::to_string(i));
        const std::string next = "g" + std::to_string(i + 1);
        contents.push_back(i + 1 < 40 ? next + ";e;" + next : "e");
    }
    GroupTable chain;
    chain.Replace(names, contents);
    const std::string out =
        PathReverser(DirectionPairs::Seeded(), chain.Snapshot()).ReversePath("g0");
    EXPECT_LE(out.size(), 8 * PathReverser::kMaxExpandedBytes);
    EXPECT_EQ(out.find_first_not_of("gw0123456789\n"), std::string::npos);
}

TEST(ReversePath, PairsAreTestedInOrderForwardFirst)
{
    DirectionPairs pairs;
    // "a" is the reverse word of the first pair and the forward word of the
    // second: the first pair answers. "x" pairs with itself.
    pairs.forwardDirections = {"b", "a", "x", ""};
    pairs.reverseDirections = {"a", "c", "x", "empty"};
    const PathReverser reverser(pairs, NoGroups());
    const Case cases[] = {
        {"reverse column of an earlier pair wins", "a", "b"},
        {"forward column", "b", "a"},
        {"only in a later pair", "c", "a"},
        {"a word paired with itself", "x", "x"},
        {"trimmed before the look-up", "  c\t", "a"},
        {"empty word stays empty", "", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(reverser.ReverseWord(c.text), c.reversed) << c.what;
}

TEST(ReverseStep, Shapes)
{
    const PathReverser reverser(DirectionPairs::Seeded(), NoGroups());
    const Case cases[] = {
        {"empty step", "   ", "\n"},
        {"hash with a block", "#3 {n;up}", "#3 {down;s;}"},
        {"hash keeps everything up to its first space", "#CI 1 = 1 n", "#CI 1 = 1 n"},
        {"hash body trimmed", "#2   e  ", "#2 w"},
        {"block with a trailing ';'", "{n;;}", "{\n;s;}"},
        {"empty block", "{}", "{\n;}"},
        {"a lone brace is a word", "{", "{"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(reverser.ReverseStep(c.text), c.reversed) << c.what;
}
