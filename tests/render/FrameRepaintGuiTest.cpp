// A frame painted over the image of the frame before it (rows scrolled, the
// rest painted) is pixel for pixel the frame painted whole.
#include "core/screen/FrameLayout.h"
#include "core/screen/LineStore.h"
#include "render/FramePainter.h"
#include "render/FrameRepaint.h"
#include "render/GbkCodec.h"
#include "render/QtTextMeasure.h"

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 640, kHeight = 400;

// Line i: GBK and ASCII, a colour that some lines leave set for the next
// ones, and every fifth line long enough to wrap.
std::string Line(int i)
{
    std::string s = "\x1b[3" + std::to_string(1 + i % 7) + "m#" + std::to_string(i) + " ";
    s += gbk::FromQString(QStringLiteral("你看见一把长剑"));
    if (i % 4 == 0)
        s += "\x1b[4" + std::to_string(i % 8) + "m hp 100/100";
    if (i % 5 == 0)
        for (int k = 0; k < 6; ++k)
            s += gbk::FromQString(QStringLiteral(" 北边是一条小路，")) + "north";
    if (i % 3 != 0)
        s += "\x1b[0m"; // the others carry their colours on
    return s + "\r\n";
}

// Lines decoded into a store, and the frame of its newest rows.
struct StoredLines
{
    screen::LineStore store;
    screen::Decoder decoder;
    screen::Decoder::Batch batch;

    void Add(const std::string &text) { screen::DecodeInto(decoder, batch, store, text); }
    screen::Frame Newest(screen::QtTextMeasure &measure, int rows) const
    {
        screen::Frame frame;
        screen::BuildRows(measure, store.lines(), static_cast<int>(store.size()) - 1, rows, kWidth,
                          frame);
        return frame;
    }
};

} // namespace

TEST(RepaintRows, ScrolledFrameEqualsTheFramePaintedWhole)
{
    const screen::ScreenLook look;
    screen::QtTextMeasure measure(screen::ScreenFont(look));
    const int rows = screen::RowsFor(kHeight, look.fontSize, look.lineSpacing);
    ASSERT_GT(rows, 10);
    for (int fresh = 1; fresh <= rows; ++fresh) {
        SCOPED_TRACE(fresh);
        StoredLines lines;
        int next = 0;
        for (; next < 40; ++next)
            lines.Add(Line(next));
        const auto frameOf = [&] { return lines.Newest(measure, rows); };
        // The frame before, painted into an image that remembers it.
        const screen::Frame before = frameOf();
        std::vector<screen::RowPrint> prints;
        screen::PrintRows(before, rows, prints);
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        screen::PaintedImage shown;
        screen::RepaintRows(image, shown, measure, before, prints, look, 1);

        // `fresh` new rows at the bottom: one-row lines, and a wrapping one
        // when two rows are wanted.
        for (int added = 0; added < fresh;) {
            const bool wrap = fresh - added == 2 && fresh > 2;
            std::string text = wrap ? Line(next - next % 5 + 5) : Line(next % 5 == 0 ? 1 : next);
            lines.Add(text);
            ++next;
            added += wrap ? 2 : 1;
        }
        const screen::Frame after = frameOf();
        screen::PrintRows(after, rows, prints);
        const screen::Repaint done =
            screen::RepaintRows(image, shown, measure, after, prints, look, 1);

        QImage whole(kWidth, kHeight, QImage::Format_RGB32);
        screen::PaintRows(whole, measure, after, rows, look);
        ASSERT_TRUE(image == whole);
        // Rows that only moved were moved, not painted again.
        if (fresh < rows) {
            EXPECT_GT(done.scrolled, 0);
            EXPECT_LT(done.painted, rows);
        }
        // The same frame again paints nothing.
        EXPECT_EQ(screen::RepaintRows(image, shown, measure, after, prints, look, 1).painted, 0);
        EXPECT_TRUE(image == whole);
    }
}

// A different look or size, or a selection painted over the image, paints it whole.
TEST(RepaintRows, AnotherLookSizeOrSelectionPaintsWhole)
{
    screen::ScreenLook look;
    screen::QtTextMeasure measure(screen::ScreenFont(look));
    const int rows = screen::RowsFor(kHeight, look.fontSize, look.lineSpacing);
    StoredLines lines;
    for (int i = 0; i < 30; ++i)
        lines.Add(Line(i));
    const screen::Frame frame = lines.Newest(measure, rows);
    std::vector<screen::RowPrint> prints;
    screen::PrintRows(frame, rows, prints);
    struct Case
    {
        const char *what;
        std::uint64_t serial;
        bool marked;
        int width;
    };
    for (const Case &c : {Case{"look", 2, false, kWidth}, Case{"selection", 1, true, kWidth},
                          Case{"size", 1, false, kWidth - 8}}) {
        SCOPED_TRACE(c.what);
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        screen::PaintedImage shown;
        screen::RepaintRows(image, shown, measure, frame, prints, look, 1);
        image.fill(Qt::magenta); // what a stale picture would keep
        shown.marked = c.marked;
        shown.width = c.width;
        screen::RepaintRows(image, shown, measure, frame, prints, look, c.serial);
        QImage whole(kWidth, kHeight, QImage::Format_RGB32);
        screen::PaintRows(whole, measure, frame, rows, look);
        EXPECT_TRUE(image == whole);
    }
}

// Rows kept as a ring: a run of frames of 1..all new rows, each turning the
// ring on from where the one before left it (round past its end), shows in
// screen order exactly the frame painted whole, and moves no row it keeps.
// Painted with moving pixels next (a selection comes), it starts at band 0 again.
TEST(RepaintRows, RingTurnedByEveryRunOfNewRowsShowsTheFramePaintedWhole)
{
    const screen::ScreenLook look;
    screen::QtTextMeasure measure(screen::ScreenFont(look));
    const int rows = screen::RowsFor(kHeight, look.fontSize, look.lineSpacing);
    const int rowHeight = look.RowHeight();
    StoredLines lines;
    int next = 0;
    for (; next < 40; ++next)
        lines.Add(Line(next));
    const auto frameOf = [&] { return lines.Newest(measure, rows); };
    const auto whole = [&](const screen::Frame &frame) {
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        screen::PaintRows(image, measure, frame, rows, look);
        return image;
    };
    std::vector<screen::RowPrint> prints;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    screen::PaintedImage shown;
    screen::Frame frame = frameOf();
    screen::PrintRows(frame, rows, prints);
    screen::RepaintRows(image, shown, measure, frame, prints, look, 1,
                        screen::Scrolling::kTurnRing);
    ASSERT_EQ(shown.top, 0);
    int turned = 0, turns = 0;
    for (int fresh = 1; fresh <= rows; ++fresh) {
        SCOPED_TRACE(fresh);
        for (int k = 0; k < fresh; ++k, ++next) { // one row each: no wrapping line
            next += next % 5 == 0;
            lines.Add(Line(next));
        }
        const std::vector<screen::RowPrint> before = prints;
        frame = frameOf();
        screen::PrintRows(frame, rows, prints);
        const screen::Repaint done = screen::RepaintRows(image, shown, measure, frame, prints, look,
                                                         1, screen::Scrolling::kTurnRing);
        ASSERT_TRUE(screen::Unwrapped(image, screen::RingOf(shown, rowHeight)) == whole(frame));
        // Every row that shows what an old one did stays in its band unpainted;
        // the ring turns by the new rows whenever it keeps any.
        int kept = 0;
        for (int k = 0; k + fresh < rows; ++k)
            kept += prints[std::size_t(k)] == before[std::size_t(k + fresh)];
        EXPECT_EQ(done.painted, rows - kept);
        if (kept > 0) {
            EXPECT_EQ(done.scrolled, rows - fresh);
            turned += fresh;
            ++turns;
        }
        EXPECT_EQ(shown.top, turned % rows);
    }
    EXPECT_GE(turns, rows - 2);
    EXPECT_GT(turned, rows); // the ring went round
    ASSERT_NE(shown.top, 0);
    screen::RepaintRows(image, shown, measure, frame, prints, look, 1);
    EXPECT_EQ(shown.top, 0);
    EXPECT_TRUE(image == whole(frame));
}
