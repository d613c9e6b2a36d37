#include "core/screen/FrameLayout.h"

#include "support/FixedMeasure.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace screen;

namespace {

using testsupport::FixedMeasure;

struct Line
{
    std::string text;
    std::string attrs;
};

std::vector<Row> Wrap(std::string_view text, std::string_view attrs, int width)
{
    FixedMeasure m;
    std::vector<Row> rows;
    WrapLine(m, text, attrs, width, rows);
    return rows;
}

std::vector<std::string> Texts(const std::vector<Row> &rows)
{
    std::vector<std::string> out;
    for (const Row &r : rows)
        out.push_back(r.text);
    return out;
}

std::vector<std::string> ScreenTexts(const Frame &f)
{
    std::vector<std::string> out;
    for (int k = 0; k < f.ScreenRowCount(); ++k)
        out.push_back(f.ScreenRow(k)->text);
    return out;
}

std::vector<Line> NumberedLines(int count)
{
    std::vector<Line> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back({"L" + std::to_string(i) + "\r\n", " "});
    return lines;
}

// GBK: 中 D6 D0, 文 CE C4, 啊 B0 A1; 丂 81 40 has a second byte below 0x80.
const std::string kZhong = "\xD6\xD0";
const std::string kWen = "\xCE\xC4";

} // namespace

TEST(FitBytes, CutsOnlyBetweenCharacters)
{
    struct Case
    {
        std::string text;
        int width;
        std::size_t fits;
    };
    const Case cases[] = {
        {"abcd", 24, 3},
        {"abcd", 32, 4},
        {"ab" + kZhong, 24, 2}, // the double-byte character does not half-fit
        {"ab" + kZhong, 32, 4},
        {"ab\r\n", 16, 4}, // zero-width line end stays with the text
        {"abcd", 0, 0},
        {"abcd", -5, 0},
        {"ab\xD6", 24, 3}, // a lone lead byte at the end is one character
        // Where counting high bytes from the cut goes wrong: a second byte
        // below 0x80 ends the count early, and a count capped at the bytes
        // that fit comes out even inside a character.
        {"\xB0\xA1\x81\x40", 24, 2},
        {"a\xB0\xA1\xB0\xA1", 16, 1},
        // A four-byte character (84 31 A4 37) fits whole or not at all.
        {"a\x84\x31\xA4\x37", 32, 1},
        {"a\x84\x31\xA4\x37", 40, 5},
        {"\x81\x40\x81\x40\x81\x40", 40, 4},
    };
    FixedMeasure m;
    for (const Case &c : cases)
        EXPECT_EQ(FitBytes(m, c.text, c.width), c.fits) << c.text << " in " << c.width;
}

TEST(WrapLine, ShortLineIsOneRowWithTheLineStartRecord)
{
    auto rows = Wrap("hello\r\n", " ", 800);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, "hello\r\n");
    EXPECT_EQ(rows[0].attrs, "0001001");

    rows = Wrap("hello\r\n", "0002900", 800);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].attrs, "00010010002900");
}

TEST(WrapLine, RecordsFollowTheirBytesWithRebasedPositions)
{
    // Width 32 = four ASCII bytes a row.
    auto rows = Wrap("abcdefghij",
                     "0002100"
                     "0006200"
                     "0009300",
                     32);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(Texts(rows), (std::vector<std::string>{"abcd", "efgh", "ij"}));
    EXPECT_EQ(rows[0].attrs, "0001001"
                             "0002100");
    EXPECT_EQ(rows[1].attrs, "0002200"); // byte 6 is byte 2 of the second row
    EXPECT_EQ(rows[2].attrs, "0001300");

    // A record on the last byte of a row stays on that row.
    rows = Wrap("abcdefgh",
                "0004500"
                "0005600",
                32);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].attrs, "0001001"
                             "0004500");
    EXPECT_EQ(rows[1].attrs, "0001600");
}

TEST(WrapLine, FourByteCharactersAreNeverCut)
{
    // Width 40 = five bytes: each row ends before a four-byte character that
    // would only half fit, also in a run of them.
    const std::string fffd = "\x84\x31\xA4\x37";
    const std::string dot = "\x81\x30\x81\x37";
    auto rows = Wrap("ab" + fffd + dot + "c" + fffd, " ", 40);
    EXPECT_EQ(Texts(rows), (std::vector<std::string>{"ab", fffd, dot + "c", fffd}));
}

TEST(WrapLine, RebasedPositionsAreUpperCaseHex)
{
    // 16 bytes a row; a record at byte 0x1C lands on byte 0x0C of the second row.
    auto rows = Wrap(std::string(40, 'x'), "001C400", 128);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].attrs, "000C400");
    EXPECT_EQ(rows[2].attrs, " ");
}

TEST(WrapLine, RecordsBehindTheTextAreDropped)
{
    auto rows = Wrap("ab", "0003100", 800);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].attrs, "0001001");
}

TEST(WrapLine, DoubleByteCharacterAtTheCutMovesWhole)
{
    auto rows = Wrap("abc" + kZhong + "d", " ", 32);
    EXPECT_EQ(Texts(rows), (std::vector<std::string>{"abc", kZhong + "d"}));

    // Second bytes below 0x80 must not let the cut fall inside a character.
    rows = Wrap("\xB0\xA1\x81\x40\x81\x40", " ", 24);
    EXPECT_EQ(Texts(rows), (std::vector<std::string>{"\xB0\xA1", "\x81\x40", "\x81\x40"}));
}

TEST(WrapLine, ViewNarrowerThanACharacterStillTakesOneWholeCharacterPerRow)
{
    const std::vector<std::string> expected{"a", kZhong, "b"};
    for (int width : {4, 0, -10})
        EXPECT_EQ(Texts(Wrap("a" + kZhong + "b", " ", width)), expected) << width;
}

TEST(RowsFor, KeepsOneRowFreeAndGuardsTheRowHeight)
{
    struct Case
    {
        int height, fontSize, spacing, rows;
    };
    const Case cases[] = {
        {400, 14, 5, 20}, {38, 14, 5, 1},  {37, 14, 5, 0}, {10, 14, 5, 0},
        {100, 0, 0, 0},   {100, -9, 4, 0}, {0, 14, 5, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(RowsFor(c.height, c.fontSize, c.spacing), c.rows)
            << c.height << "/" << c.fontSize << "+" << c.spacing;
}

TEST(ChooseBottomLine, FollowsFreezesAndShowsTheFirstPageWhole)
{
    struct Case
    {
        int scrollPos, stored, rows, bottom;
    };
    const Case cases[] = {
        {-1, 5, 20, 4},                         // first page shown whole
        {2, 5, 20, 4},      {-1, 100, 20, 99},  // follow the newest line
        {3, 100, 20, 19},                       // inside the first page: the first page
        {50, 100, 20, 50},  {100, 100, 20, 99}, // stopped at the bar's end
        {250, 100, 20, 99}, {-1, 0, 20, -1},    {-1, 100, 0, 99},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ChooseBottomLine(c.scrollPos, c.stored, c.rows), c.bottom)
            << c.scrollPos << " of " << c.stored << " with " << c.rows;
}

TEST(BuildRows, FirstPageAndScrolledBackPage)
{
    FixedMeasure m;
    Frame f;
    auto five = NumberedLines(5);
    BuildRows(m, five, ChooseBottomLine(-1, 5, 20), 20, 800, f);
    EXPECT_EQ(f.first, 0u);
    EXPECT_EQ(ScreenTexts(f),
              (std::vector<std::string>{"L0\r\n", "L1\r\n", "L2\r\n", "L3\r\n", "L4\r\n"}));

    auto hundred = NumberedLines(100);
    BuildRows(m, hundred, ChooseBottomLine(3, 100, 20), 20, 800, f);
    ASSERT_EQ(f.ScreenRowCount(), 20);
    EXPECT_EQ(f.ScreenRow(0)->text, "L0\r\n");
    EXPECT_EQ(f.ScreenRow(19)->text, "L19\r\n");
}

TEST(BuildRows, TopLineIsWrappedWholeAndCutOffAboveTheScreen)
{
    FixedMeasure m;
    Frame f;
    std::vector<Line> lines{{"AABBCC", " "}, {"d", " "}, {"e", " "}};
    BuildRows(m, lines, 2, 3, 16, f);
    EXPECT_EQ(Texts(f.rows), (std::vector<std::string>{"AA", "BB", "CC", "d", "e"}));
    EXPECT_EQ(f.first, 2u);
    EXPECT_EQ(ScreenTexts(f), (std::vector<std::string>{"CC", "d", "e"}));
    EXPECT_EQ(f.ScreenRow(3), nullptr);
    EXPECT_EQ(f.ScreenRow(-1), nullptr);
}

TEST(BuildRows, NoRowsWhenTheViewHasNoRoomOrTheStoreIsEmpty)
{
    FixedMeasure m;
    Frame f;
    auto lines = NumberedLines(5);
    for (int rows : {0, -2}) {
        BuildRows(m, lines, 4, rows, 800, f);
        EXPECT_TRUE(f.rows.empty());
        EXPECT_EQ(f.ScreenRowCount(), 0);
    }
    std::vector<Line> none;
    BuildRows(m, none, ChooseBottomLine(-1, 0, 20), 20, 800, f);
    EXPECT_TRUE(f.rows.empty());
}

TEST(ColourRuns, AppliesEachModeFromItsPosition)
{
    struct Case
    {
        const char *name;
        std::string attrs;
        Colours in;
        std::vector<ColourRun> runs;
        Colours out;
    };
    const std::string text = "abcdef";
    const Case cases[] = {
        {"no records", " ", {5, 2}, {{0, 6, 5, 2}}, {5, 2}},
        {"before the first record", "0003300", {5, 2}, {{0, 2, 5, 2}, {2, 4, 3, 2}}, {3, 2}},
        {"background only", "0001041", {5, 2}, {{0, 6, 5, 4}}, {5, 4}},
        {"both", "0001F72", {0, 0}, {{0, 6, 15, 7}}, {15, 7}},
        {"back to defaults", "0001123", {9, 3}, {{0, 6, 0, 0}}, {0, 0}},
        {"empty run skipped",
         "0001100"
         "0001200",
         {0, 0},
         {{0, 6, 2, 0}},
         {2, 0}},
        {"several runs",
         "0001100"
         "0003041"
         "0006500",
         {0, 0},
         {{0, 2, 1, 0}, {2, 3, 1, 4}, {5, 1, 5, 4}},
         {5, 4}},
    };
    std::vector<ColourRun> runs;
    for (const Case &c : cases) {
        Colours colours = c.in;
        ColourRuns(text, c.attrs, colours, runs);
        ASSERT_EQ(runs.size(), c.runs.size()) << c.name;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].start, c.runs[i].start) << c.name << " run " << i;
            EXPECT_EQ(runs[i].length, c.runs[i].length) << c.name << " run " << i;
            EXPECT_EQ(runs[i].fg, c.runs[i].fg) << c.name << " run " << i;
            EXPECT_EQ(runs[i].bg, c.runs[i].bg) << c.name << " run " << i;
        }
        EXPECT_EQ(colours.fg, c.out.fg) << c.name;
        EXPECT_EQ(colours.bg, c.out.bg) << c.name;
    }
}

TEST(ColourRuns, ColoursCarryAcrossRowsAndLinesButEachLineStartsOnBackgroundZero)
{
    // Line 1: ESC[31m at byte 1 and ESC[44m at byte 4, wrapped into two rows.
    // Line 2 has no records of its own.
    FixedMeasure m;
    Frame f;
    std::vector<Line> lines{{"redblue\r\n", "0001100"
                                            "0004041"},
                            {"next\r\n", " "}};
    BuildRows(m, lines, 1, 10, 40, f);
    ASSERT_EQ(Texts(f.rows), (std::vector<std::string>{"redbl", "ue\r\n", "next\r\n"}));

    Colours colours;
    std::vector<ColourRun> runs;
    ColourRuns(f.rows[0].text, f.rows[0].attrs, colours, runs);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].fg, 1);
    EXPECT_EQ(runs[1].bg, 4);

    ColourRuns(f.rows[1].text, f.rows[1].attrs, colours, runs);
    ASSERT_EQ(runs.size(), 1u); // the wrapped row keeps red on blue
    EXPECT_EQ(runs[0].fg, 1);
    EXPECT_EQ(runs[0].bg, 4);

    ColourRuns(f.rows[2].text, f.rows[2].attrs, colours, runs);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].length, 6u);
    EXPECT_EQ(runs[0].fg, 1); // still red
    EXPECT_EQ(runs[0].bg, 0); // background slot 0 again
}

TEST(TextWidth, MeasuresCharacterByCharacter)
{
    FixedMeasure m;
    EXPECT_EQ(TextWidth(m, "ab" + kZhong + kWen + "\r\n"), 48);
    EXPECT_EQ(TextWidth(m, ""), 0);
}
