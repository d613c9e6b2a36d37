#include "core/screen/Selection.h"

#include "support/FixedMeasure.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace screen;

namespace {

using testsupport::FixedMeasure;

constexpr int kRowHeight = 19;
constexpr int kViewWidth = 400;

Frame MakeFrame(std::vector<std::string> texts, std::size_t first = 0)
{
    Frame f;
    for (std::string &t : texts)
        f.rows.push_back({std::move(t), " "});
    f.first = first;
    return f;
}

// Drags from (x0, row0) to (x1, row1) the way the window feeds the mouse.
Selection Drag(int x0, int row0, int x1, int row1, int screenRows)
{
    Selection s;
    s.LeftButtonDown(x0, row0 * kRowHeight + 3, kRowHeight, screenRows);
    s.PointerMove(x1, row1 * kRowHeight + 3, kRowHeight, screenRows);
    s.LeftButtonUp();
    return s;
}

SelectionMarks Mark(const Frame &f, const Selection &s)
{
    FixedMeasure m;
    SelectionMarks marks;
    MarkSelection(m, f, s, kViewWidth, marks);
    return marks;
}

using Texts = std::vector<std::string>;

} // namespace

TEST(SelectionMouse, DragBelowAboveAndOnTheAnchorRow)
{
    Selection s;
    s.LeftButtonDown(50, 2 * kRowHeight + 1, kRowHeight, 10);
    EXPECT_EQ(s.dragAnchorRow, 2);
    EXPECT_EQ(s.selFirstRow, 2);
    EXPECT_EQ(s.selStartX, 50);
    EXPECT_EQ(s.selEndX, 50);
    EXPECT_TRUE(s.selectionReady);

    EXPECT_TRUE(s.PointerMove(10, 4 * kRowHeight, kRowHeight, 10)); // below: moves the end
    EXPECT_EQ((std::vector<int>{s.selFirstRow, s.selLastRow, s.selStartX, s.selEndX}),
              (std::vector<int>{2, 4, 50, 10}));
    s.PointerMove(70, 0, kRowHeight, 10); // above: moves the start
    EXPECT_EQ((std::vector<int>{s.selFirstRow, s.selLastRow, s.selStartX, s.selEndX}),
              (std::vector<int>{0, 2, 70, 50}));
    s.PointerMove(20, 2 * kRowHeight, kRowHeight, 10); // on the anchor row: ordered by x
    EXPECT_EQ((std::vector<int>{s.selFirstRow, s.selLastRow, s.selStartX, s.selEndX}),
              (std::vector<int>{2, 2, 20, 50}));

    EXPECT_FALSE(s.PointerMove(20, -1, kRowHeight, 10)); // above the area: ignored
    EXPECT_EQ(s.selStartX, 20);
    s.LeftButtonUp();
    EXPECT_FALSE(s.PointerMove(90, 5 * kRowHeight, kRowHeight, 10)); // no drag any more
    EXPECT_EQ(s.selLastRow, 2);
    EXPECT_TRUE(s.HasSelection()); // the selection stays after the button is released
}

TEST(SelectionMouse, RowIsKeptWithinTheRowsOnScreen)
{
    EXPECT_EQ(RowUnder(1000, kRowHeight, 3), 2);
    EXPECT_EQ(RowUnder(kRowHeight - 1, kRowHeight, 3), 0);
    EXPECT_EQ(RowUnder(kRowHeight, kRowHeight, 3), 1);
    EXPECT_EQ(RowUnder(50, 0, 3), 0);
    EXPECT_EQ(RowUnder(50, kRowHeight, 0), 0);

    // A frame whose top line runs above the screen has fewer rows on screen
    // than entries: the pointer is clamped to the rows painted.
    Frame f = MakeFrame({"hidden1", "hidden2", "row0", "row1"}, 2);
    Selection s = Drag(0, 0, 400, 9, f.ScreenRowCount());
    EXPECT_EQ(s.selLastRow, 1);
    EXPECT_EQ(Mark(f, s).selectedText, (Texts{"row0", "row1"}));
}

TEST(SelectionText, OneRowSelectsTheSameBytesInEitherDirection)
{
    Frame f = MakeFrame({"hello world\r\n"});
    // x 20 is inside the first 'l' and x 60 inside the 'o' of "world": the
    // character under the start is in, the one under the end is out.
    Selection ltr = Drag(20, 0, 60, 0, 1);
    Selection rtl = Drag(60, 0, 20, 0, 1);
    EXPECT_EQ(Mark(f, ltr).selectedText, (Texts{"llo w"}));
    EXPECT_EQ(Mark(f, rtl).selectedText, (Texts{"llo w"}));

    SelectionMarks marks = Mark(f, ltr);
    EXPECT_TRUE(marks.band);
    ASSERT_EQ(marks.spans.size(), 2u);
    EXPECT_EQ((std::vector<int>{marks.spans[0].row, marks.spans[0].x0, marks.spans[0].x1}),
              (std::vector<int>{0, 0, 16}));
    EXPECT_EQ((std::vector<int>{marks.spans[1].row, marks.spans[1].x0, marks.spans[1].x1}),
              (std::vector<int>{0, 57, kViewWidth}));
}

TEST(SelectionText, AcrossRows)
{
    Frame f = MakeFrame({"abcdef\r\n", "middle\r\n", "xyz\r\n", "after\r\n"});
    for (Selection s : {Drag(16, 0, 16, 2, 4), Drag(16, 2, 16, 0, 4)}) {
        SelectionMarks marks = Mark(f, s);
        EXPECT_EQ(marks.selectedText, (Texts{"cdef\r\n", "middle\r\n", "xy"}));
        EXPECT_TRUE(marks.band);
        ASSERT_EQ(marks.spans.size(), 2u);
        EXPECT_EQ((std::vector<int>{marks.spans[0].row, marks.spans[0].x0, marks.spans[0].x1}),
                  (std::vector<int>{0, 0, 16}));
        EXPECT_EQ((std::vector<int>{marks.spans[1].row, marks.spans[1].x0, marks.spans[1].x1}),
                  (std::vector<int>{2, 17, kViewWidth}));
    }

    // An end left of the last row's first character takes nothing of it, and
    // the whole last row is kept out of the band.
    SelectionMarks marks = Mark(f, Drag(0, 0, 3, 1, 4));
    EXPECT_EQ(marks.selectedText, (Texts{"abcdef\r\n"}));
    ASSERT_EQ(marks.spans.size(), 1u);
    EXPECT_EQ((std::vector<int>{marks.spans[0].row, marks.spans[0].x0, marks.spans[0].x1}),
              (std::vector<int>{1, 0, kViewWidth}));
}

TEST(SelectionText, StartBeyondTheRowEndAddsNothingForThatRow)
{
    Frame f = MakeFrame({"ab\r\n", "cd\r\n", "ef\r\n"});
    SelectionMarks marks = Mark(f, Drag(200, 0, 8, 2, 3));
    EXPECT_EQ(marks.selectedText, (Texts{"cd\r\n", "e"}));
    // The first row's text is kept out of the band: it was not selected.
    ASSERT_FALSE(marks.spans.empty());
    EXPECT_EQ((std::vector<int>{marks.spans[0].row, marks.spans[0].x0, marks.spans[0].x1}),
              (std::vector<int>{0, 0, 16}));

    // On a single row nothing is selected, so nothing is marked either.
    marks = Mark(f, Drag(200, 1, 300, 1, 3));
    EXPECT_TRUE(marks.selectedText.empty());
    EXPECT_TRUE(marks.spans.empty());
    EXPECT_FALSE(marks.band);
}

TEST(SelectionText, ClicksWithoutADrag)
{
    Frame f = MakeFrame({"abcdef"});
    // A click inside the first character selects nothing and marks nothing.
    SelectionMarks marks = Mark(f, Drag(3, 0, 3, 0, 1));
    EXPECT_TRUE(marks.selectedText.empty());
    EXPECT_TRUE(marks.spans.empty());
    EXPECT_FALSE(marks.band);
    // Further right it makes one empty entry, as a zero-width selection.
    marks = Mark(f, Drag(20, 0, 20, 0, 1));
    EXPECT_EQ(marks.selectedText, (Texts{""}));
    EXPECT_TRUE(marks.band);
}

TEST(SelectionText, DoubleByteCharactersAreNeverSplit)
{
    const std::string zhong = "\xD6\xD0";
    Frame f = MakeFrame({"a" + zhong + "b"}); // 'a' 0-8, 中 8-24, 'b' 24-32
    EXPECT_EQ(Mark(f, Drag(12, 0, 20, 0, 1)).selectedText, (Texts{""}));
    EXPECT_EQ(Mark(f, Drag(12, 0, 24, 0, 1)).selectedText, (Texts{zhong}));
    EXPECT_EQ(Mark(f, Drag(20, 0, 40, 0, 1)).selectedText, (Texts{zhong + "b"}));
    // Second bytes below 0x80 (丂 is 81 40).
    Frame g = MakeFrame({"\x81\x40\x81\x40"});
    EXPECT_EQ(Mark(g, Drag(20, 0, 40, 0, 1)).selectedText, (Texts{"\x81\x40"}));
    // A four-byte character (8 pixels a byte: 32 wide) is taken whole or not.
    const std::string fffd = "\x84\x31\xA4\x37";
    Frame h = MakeFrame({"a" + fffd + "b"}); // 'a' 0-8, U+FFFD 8-40, 'b' 40-48
    EXPECT_EQ(Mark(h, Drag(12, 0, 36, 0, 1)).selectedText, (Texts{""}));
    EXPECT_EQ(Mark(h, Drag(4, 0, 40, 0, 1)).selectedText, (Texts{"a" + fffd}));
    EXPECT_EQ(Mark(h, Drag(20, 0, 48, 0, 1)).selectedText, (Texts{fffd + "b"}));
}

TEST(SelectionText, NoSelectionOrRowsGoneSinceItWasMade)
{
    Frame f = MakeFrame({"one", "two"});
    Selection none;
    SelectionMarks marks = Mark(f, none);
    EXPECT_TRUE(marks.selectedText.empty());
    EXPECT_FALSE(marks.band);

    Selection s;
    s.selFirstRow = 1;
    s.selLastRow = 5;
    s.selStartX = 0;
    s.selEndX = 100;
    EXPECT_EQ(Mark(f, s).selectedText, (Texts{"two"}));
}

TEST(SelectionCopy, TrimsEachEntryAndJoinsWithColons)
{
    struct Case
    {
        Texts entries;
        std::string copied;
    };
    const Case cases[] = {
        {{"  foo  ", "bar"}, "foo:bar"},        {{""}, ""},        {{}, ""},
        {{"a\r\n", "\t b \r\n", "c"}, "a:b:c"}, {{"", "x"}, ":x"}, {{"\xD6\xD0 "}, "\xD6\xD0"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CopyText(c.entries), c.copied);
}

TEST(SelectionCopy, PasteTextKeepsEveryByteAndEndsEachEntry)
{
    EXPECT_EQ(PasteText({"foo\r\n", " bar"}), "foo\r\n\r\n bar\r\n");
    EXPECT_EQ(PasteText({}), "");
    EXPECT_EQ(PasteText({""}), "\r\n");
}

TEST(SelectionMouse, ShiftedRowsCarryTheSelectionAndCutItAtTheTop)
{
    Selection sel;
    sel.selFirstRow = 3;
    sel.selLastRow = 5;
    sel.selStartX = 40;
    sel.selEndX = 70;
    sel.ShiftRows(2); // the divider went down: two more rows above
    EXPECT_EQ(sel.selFirstRow, 5);
    EXPECT_EQ(sel.selLastRow, 7);
    EXPECT_EQ(sel.selStartX, 40);
    sel.ShiftRows(-6); // its first rows went above the top
    EXPECT_EQ(sel.selFirstRow, 0);
    EXPECT_EQ(sel.selLastRow, 1);
    EXPECT_EQ(sel.selStartX, 0);
    EXPECT_EQ(sel.selEndX, 70);
    sel.ShiftRows(-2);
    EXPECT_FALSE(sel.HasSelection());
}
