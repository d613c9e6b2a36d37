#include "core/text/GbkText.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace gbk;

TEST(GbkText, CharwiseFindNeverStartsOnASecondByte)
{
    // 0xB5 0x0A would be a lead byte followed by LF: the LF belongs to the character.
    std::string s = "ab\xB5\x0A"
                    "cd\x0A";
    EXPECT_EQ(FindCharwise(s, '\n'), 6u);
    EXPECT_EQ(Find(s, "\n"), 3u);
    // "名" is C3 FB; "\xC3\xC3\xFB" holds C3 FB starting on a second byte.
    std::string t = "\xC3\xC3\xFB";
    EXPECT_EQ(FindCharwise(t, "\xC3\xFB"), npos);
    std::string u = "x\xC3\xFB";
    EXPECT_EQ(FindCharwise(u, "\xC3\xFB"), 1u);
    EXPECT_EQ(FindCharwise(u, ""), npos);
}

TEST(GbkText, BoundaryCountsTheLeadRunBackToAKnownStart)
{
    std::string s = "\xD6\xD0\xCE\xC4"
                    "A";
    EXPECT_TRUE(AtCharBoundary(s, 0));
    EXPECT_FALSE(AtCharBoundary(s, 1));
    EXPECT_TRUE(AtCharBoundary(s, 2));
    EXPECT_FALSE(AtCharBoundary(s, 3));
    EXPECT_TRUE(AtCharBoundary(s, 4));
    // A cut at or below a limit never splits a character, nor passes the end.
    EXPECT_EQ(BoundaryAtOrBelow(s, 1), 0u);
    EXPECT_EQ(BoundaryAtOrBelow(s, 2), 2u);
    EXPECT_EQ(BoundaryAtOrBelow(s, 3, 2), 2u);
    EXPECT_EQ(BoundaryAtOrBelow(s, 9), 5u);
}

TEST(GbkText, ExcerptCutsLongTextAtACharacterWithAnEllipsis)
{
    EXPECT_EQ(Excerpt("short"), "short");
    EXPECT_EQ(Excerpt(std::string(80, 'a')), std::string(80, 'a'));
    EXPECT_EQ(Excerpt(std::string(1000000, 'a')), std::string(80, 'a') + "\xA1\xAD");
    // Characters, not bytes: three double-byte characters, cut after two.
    EXPECT_EQ(Excerpt("\xC4\xE3\xBA\xC3\xC3\xFB", 2), "\xC4\xE3\xBA\xC3\xA1\xAD");
    // A lead byte at the very end stays whole as one character.
    EXPECT_EQ(Excerpt("ab\xC4", 3), "ab\xC4");
}

TEST(GbkText, TrimAndUpper)
{
    EXPECT_EQ(Trim(" \t\r\nab c\r\n"), "ab c");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(Trim("   "), "");
    // The second byte 0x61 ('a') of a double-byte character is not a letter.
    EXPECT_EQ(UpperAscii("fight\x81"
                         "a"),
              "FIGHT\x81"
              "a");
}

TEST(GbkText, ToIntAcceptsOnlyWholeDecimals)
{
    EXPECT_EQ(ToInt("500"), 500);
    EXPECT_EQ(ToInt("-1"), -1);
    EXPECT_EQ(ToInt("+7"), 7);
    EXPECT_EQ(ToInt("2147483647"), 2147483647);
    EXPECT_FALSE(ToInt("2147483648"));
    EXPECT_FALSE(ToInt(""));
    EXPECT_FALSE(ToInt("abc"));
    EXPECT_FALSE(ToInt(" 5"));
    EXPECT_FALSE(ToInt("5x"));
    EXPECT_FALSE(ToInt("+-5"));
}

TEST(GbkText, SplitLinesHandlesEveryLineEnd)
{
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(SplitLines("").empty());
    EXPECT_EQ(JoinCrLf({"a", ""}), "a\r\n\r\n");
}

TEST(GbkText, Hex)
{
    std::string s;
    AppendHex4(s, 0x2A);
    EXPECT_EQ(s, "002A");
    EXPECT_EQ(ParseHex("00FF", 0, 4), 255);
    EXPECT_EQ(ParseHex("0G", 0, 2), -1);
}

// GB18030's four-byte characters: 81 30 81 37 (U+0087) and 84 31 A4 37 (U+FFFD).
TEST(GbkText, FourByteCharactersAreOneCharacterEverywhere)
{
    const std::string dot = "\x81\x30\x81\x37";
    const std::string fffd = "\x84\x31\xA4\x37";
    // "中" dot "A" fffd fffd "1"
    const std::string s = "\xD6\xD0" + dot + "A" + fffd + fffd + "1";
    const std::vector<std::size_t> boundaries = {0, 2, 6, 7, 11, 15, 16};
    for (std::size_t pos = 0; pos <= s.size(); ++pos) {
        const bool expected =
            std::find(boundaries.begin(), boundaries.end(), pos) != boundaries.end();
        EXPECT_EQ(AtCharBoundary(s, pos), expected) << pos;
        // Every limit cuts at the largest boundary at or below it.
        std::size_t below = 0;
        for (std::size_t b : boundaries)
            if (b <= pos)
                below = b;
        EXPECT_EQ(BoundaryAtOrBelow(s, pos), below) << pos;
    }
    EXPECT_EQ(CharLength(s, 2), 4u);
    EXPECT_EQ(CharLength(s, 0), 2u);
    // Cut short by the end, the bytes fall back to the double-byte rule.
    EXPECT_EQ(CharLength(std::string_view(s).substr(0, 9), 7), 2u);
    // A needle never matches the second half of a four-byte character.
    EXPECT_EQ(FindCharwise(s, "\x81\x37"), npos);
    EXPECT_EQ(FindCharwise(s, "\xA4\x37"), npos);
    EXPECT_EQ(FindCharwise(s, '1'), 15u);
    EXPECT_EQ(FindCharwise(s, fffd), 7u);
    EXPECT_EQ(Excerpt(s, 2), "\xD6\xD0" + dot + "\xA1\xAD");
    EXPECT_EQ(UpperAscii(s), "\xD6\xD0" + dot + "A" + fffd + fffd + "1");
}

TEST(GbkText, RunsOfFourByteCharactersPairUpFromTheirStart)
{
    // Lead-digit pairs: four of them are two characters, three are one and a
    // double-byte one; a digit after a lead that is a second byte is plain.
    const std::string four = "\x81\x30\x81\x30\x81\x30\x81\x30";
    EXPECT_TRUE(AtCharBoundary(four, 4));
    EXPECT_FALSE(AtCharBoundary(four, 2));
    EXPECT_FALSE(AtCharBoundary(four, 6));
    EXPECT_EQ(BoundaryAtOrBelow(four, 7), 4u);
    const std::string three = "\x81\x30\x81\x30\x81\x30";
    EXPECT_TRUE(AtCharBoundary(three, 4));
    EXPECT_EQ(CharLength(three, 4), 2u);
    // 0xB0 0xB0 is one character, then "1" stands alone, then one four-byte.
    const std::string mixed = "\xB0\xB0"
                              "1\x81\x30\x81\x30";
    EXPECT_TRUE(AtCharBoundary(mixed, 3));
    EXPECT_FALSE(AtCharBoundary(mixed, 5));
    EXPECT_EQ(BoundaryAtOrBelow(mixed, 6), 3u);
    // From a start given inside the text.
    EXPECT_TRUE(AtCharBoundary(four, 6, 2));
}
