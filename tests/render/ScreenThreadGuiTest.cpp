// The screen thread end to end: queued text becomes a painted frame in the
// palette's colours; an idle screen draws nothing; a flood coalesces.
#include "render/FramePainter.h"
#include "render/GbkCodec.h"
#include "render/QtTextMeasure.h"
#include "render/ScreenThread.h"
#include "support/QtWait.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <vector>

using screen::DrawSence;
using testsupport::WaitFor;

namespace {

// The screen's host as each test wants it. A test may change a hook while
// the screen runs: the lock keeps that apart from a call.
struct Hooks final : screen::ScreenHost
{
    void OnFrame(std::function<void()> f)
    {
        std::lock_guard lock(m);
        frame = std::move(f);
    }
    void OnMirror(std::function<void(std::vector<std::string>)> f)
    {
        std::lock_guard lock(m);
        mirror = std::move(f);
    }
    void FrameReady() override
    {
        std::lock_guard lock(m);
        if (frame)
            frame();
    }
    void MirrorLines(std::vector<std::string> texts) override
    {
        std::lock_guard lock(m);
        if (mirror)
            mirror(std::move(texts));
    }
    void QueueDrained() override {}

    std::mutex m;
    std::function<void()> frame;
    std::function<void(std::vector<std::string>)> mirror;
};

struct Screen
{
    Hooks hooks; // outlives the screen thread
    DrawSence d;
    std::atomic<int> frames{0};

    Screen(int width, int height)
    {
        hooks.OnFrame([this] { ++frames; });
        d.SetHost(&hooks);
        d.SetWindowPresent(true);
        d.SetViewSize(width, height);
        d.Start();
    }

    // Waits for a frame showing `lines` stored lines and returns its image.
    QImage FrameWith(std::size_t lines)
    {
        QImage image;
        WaitFor([&] {
            if (frames == 0)
                return false;
            screen::FrameOutput out = d.TakeFrame();
            if (!out.image.isNull() && out.barMaximum == static_cast<int>(lines))
                image = out.image;
            return !image.isNull();
        });
        return image;
    }
};

// A pixel is `colour` over `background` at coverage a when every channel is
// background + a * (colour - background). Glyph pixels are antialiased, and a
// thin face may have no fully covered pixel at this size: a pixel at least half
// covered by the colour (and by no other) counts.
bool ShowsColour(QRgb pixel, QRgb colour, QRgb background)
{
    if (pixel == colour)
        return true;
    const int d[3] = {qRed(colour) - qRed(background), qGreen(colour) - qGreen(background),
                      qBlue(colour) - qBlue(background)};
    const int p[3] = {qRed(pixel) - qRed(background), qGreen(pixel) - qGreen(background),
                      qBlue(pixel) - qBlue(background)};
    int k = 0;
    for (int i = 1; i < 3; ++i)
        if (std::abs(d[i]) > std::abs(d[k]))
            k = i;
    if (d[k] == 0)
        return false;
    const double a = double(p[k]) / double(d[k]);
    if (a < 0.5 || a > 1.0)
        return false;
    for (int i = 0; i < 3; ++i)
        if (std::abs(p[i] - a * d[i]) > 12)
            return false;
    return true;
}

bool RowHasColour(const QImage &image, int top, int bottom, QRgb colour,
                  QRgb background = qRgb(0, 0, 0))
{
    for (int y = top; y < bottom && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (ShowsColour(image.pixel(x, y), colour, background))
                return true;
    return false;
}

// How many times each font file is mapped into this process.
std::map<std::string, int> FontFileMappings()
{
    std::map<std::string, int> count;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range, perms, offset, device, inode, path;
        fields >> range >> perms >> offset >> device >> inode >> path;
        for (const char *ext : {".ttf", ".ttc", ".otf", ".pfb"})
            if (path.size() > 4 && path.compare(path.size() - 4, 4, ext) == 0)
                ++count[path];
    }
    return count;
}

QRgb Slot(const screen::PaletteColours &p, int i)
{
    return screen::ToRgb(p[i]);
}

} // namespace

TEST(DrawSence, PaintsTextInThePaletteColours)
{
    Screen s(400, 200);
    // Red text, then blue background cells, then a line with no sequence
    // that keeps the foreground of the line before.
    s.d.Enqueue("\x1b[31mRED RED RED\x1b[44mBLUE\r\nstill red\r\n\x1b[0mplain\r\n");
    const QImage image = s.FrameWith(3);
    ASSERT_FALSE(image.isNull());
    const screen::ScreenLook look;
    const int rowHeight = look.RowHeight();
    EXPECT_TRUE(RowHasColour(image, 0, look.fontSize, Slot(look.fgPalette, 1)));
    EXPECT_TRUE(RowHasColour(image, 0, look.fontSize, Slot(look.bgPalette, 4)));
    EXPECT_TRUE(RowHasColour(image, rowHeight, rowHeight + look.fontSize, Slot(look.fgPalette, 1)));
    // Line 2 starts on background slot 0 again: no blue there.
    EXPECT_FALSE(RowHasColour(image, rowHeight, 2 * rowHeight, Slot(look.bgPalette, 4)));
    EXPECT_TRUE(
        RowHasColour(image, 2 * rowHeight, 2 * rowHeight + look.fontSize, Slot(look.fgPalette, 0)));
    EXPECT_FALSE(RowHasColour(image, 2 * rowHeight, 3 * rowHeight, Slot(look.fgPalette, 1)));
    // The empty part of the screen is background slot 0.
    EXPECT_EQ(image.pixel(399, 199), Slot(look.bgPalette, 0));
}

TEST(DrawSence, ChangedBackgroundSlotFillsTheScreen)
{
    Screen s(200, 100);
    screen::ScreenLook look;
    look.bgPalette[0] = screen::Rgb(10, 20, 30);
    s.d.SetLook(look);
    s.d.Enqueue("x\r\n");
    const QImage image = s.FrameWith(1);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(150, 80), qRgb(10, 20, 30));
}

TEST(DrawSence, ViewTooLowForARowFillsTheBackgroundOnly)
{
    Screen s(300, 30); // 30 / 19 - 1 = 0 rows
    s.d.Enqueue("\x1b[1;37mtext that would be white\r\n");
    const QImage image = s.FrameWith(1);
    ASSERT_FALSE(image.isNull());
    const screen::ScreenLook look;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y), Slot(look.bgPalette, 0)) << x << "," << y;
    EXPECT_EQ(s.d.ScreenRowCount(), 0);
}

TEST(DrawSence, IdleScreenDrawsNothing)
{
    Screen s(300, 200);
    // Every frame is taken as soon as it is ready, so each one is counted.
    std::atomic<int> drawn{0};
    s.hooks.OnFrame([&] {
        s.d.TakeFrame();
        ++drawn;
    });
    s.d.Enqueue("hello\r\n");
    ASSERT_TRUE(WaitFor([&] { return s.d.StoreSize() == 1; }));
    // A frozen view stores new text without drawing it: once the text is
    // stored, the frame asked for next is the only one.
    s.d.SetScroll(0);
    s.d.RequestRedraw(); // settles any frame still due for "hello"
    const int settled = drawn;
    ASSERT_TRUE(WaitFor([&] { return drawn > settled; }));
    const int before = drawn;
    s.d.Enqueue("more\r\n");
    ASSERT_TRUE(WaitFor([&] { return s.d.StoreSize() == 2; }));
    s.d.RequestRedraw();
    ASSERT_TRUE(WaitFor([&] { return drawn > before; }));
    s.d.Stop();
    EXPECT_EQ(drawn, before + 1);
}

TEST(DrawSence, FloodCoalescesIntoFewFrames)
{
    Screen s(600, 400);
    for (int i = 0; i < 5000; ++i)
        s.d.Enqueue("flood line " + std::to_string(i) + "\r\n");
    // Take frames as the window does until the last line is on one.
    int drawn = 0;
    ASSERT_TRUE(WaitFor([&] {
        screen::FrameOutput out = s.d.TakeFrame();
        if (out.image.isNull())
            return false;
        ++drawn;
        auto lines = s.d.StoreSnapshot();
        return !lines.empty() && lines.back().text == "flood line 4999\r\n" &&
               out.barMaximum == static_cast<int>(lines.size());
    }));
    // A handful of frames for 5000 items, and the store trimmed in batches:
    // the newest lines, in order, never 3500 of them.
    EXPECT_LE(drawn, 5);
    const auto lines = s.d.StoreSnapshot();
    ASSERT_GE(lines.size(), screen::LineStore::kKeep);
    ASSERT_LT(lines.size(), screen::LineStore::kTrimAt);
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(lines[i].text, "flood line " + std::to_string(5000 - lines.size() + i) + "\r\n");
}

TEST(DrawSence, SelectionIsReadWholeFromTheWindowThread)
{
    Screen s(400, 200);
    s.d.Enqueue("first row\r\nsecond row\r\n");
    ASSERT_FALSE(s.FrameWith(2).isNull());
    screen::Selection sel;
    sel.selFirstRow = 0;
    sel.selLastRow = 1;
    sel.selStartX = 0;
    sel.selEndX = 400;
    s.d.SetSelection(sel);
    s.d.RequestRedraw();
    ASSERT_TRUE(WaitFor([&] { return s.d.SelectedText().size() == 2; }));
    EXPECT_EQ(s.d.SelectedText()[0], "first row\r\n");
    EXPECT_EQ(s.d.SelectedText()[1], "second row\r\n");
    // Cleared (as a copy clears it), the next frame hands out no old text.
    s.d.SetSelection(screen::Selection{});
    s.d.RequestRedraw();
    EXPECT_TRUE(WaitFor([&] { return s.d.SelectedText().empty(); }));
}

TEST(DrawSence, MirrorReceivesEveryFormOfAGrowingLine)
{
    Screen s(300, 100);
    std::mutex m;
    std::vector<std::string> mirrored;
    s.hooks.OnMirror([&](std::vector<std::string> texts) {
        std::lock_guard lock(m);
        mirrored.insert(mirrored.end(), texts.begin(), texts.end());
    });
    s.d.SetMirror(true);
    s.d.Enqueue("ab");
    s.d.Enqueue("c\n");
    s.d.Enqueue("done\n");
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard lock(m);
        return !mirrored.empty() && mirrored.back() == "done\n";
    }));
    std::lock_guard lock(m);
    EXPECT_EQ(mirrored, (std::vector<std::string>{"ab", "abc\n", "done\n"}));
    EXPECT_EQ(s.d.StoreSize(), 2u);
}

// A slice takes longer than the frame interval here, so a frame is due after
// each: the burst shows while it is decoded, not only once it is over.
TEST(DrawSence, FramesComeWhileABurstIsDecoded)
{
    Screen s(300, 200);
    std::mutex m;
    std::vector<std::uint64_t> shown; // lines decoded when each frame was ready
    s.hooks.OnFrame([&] {
        s.d.TakeFrame();
        std::lock_guard lock(m);
        shown.push_back(s.d.LinesDecoded());
    });
    s.d.SetSliceDelay(std::chrono::milliseconds(20));
    std::string burst;
    for (int i = 0; burst.size() < 4 * DrawSence::kSliceBytes; ++i)
        burst += "burst line " + std::to_string(i) + "\r\n";
    const auto lines = static_cast<std::uint64_t>(std::count(burst.begin(), burst.end(), '\n'));
    s.d.Enqueue(burst);
    ASSERT_TRUE(WaitFor([&] { return s.d.LinesDecoded() == lines; }));
    s.d.SetSliceDelay({});
    s.d.Stop();
    std::lock_guard lock(m);
    const auto midBurst =
        std::count_if(shown.begin(), shown.end(), [&](auto n) { return n > 0 && n < lines; });
    EXPECT_GE(midBurst, 2);
}

TEST(DrawSence, StopDuringAFloodEndsAfterTheSliceInHand)
{
    Screen s(300, 200);
    s.d.SetSliceDelay(std::chrono::milliseconds(50));
    std::string flood;
    while (flood.size() < 40 * DrawSence::kSliceBytes)
        flood += "\x1b[m";
    s.d.Enqueue(flood);
    ASSERT_TRUE(WaitFor([&] { return s.d.BytesDecoded() > 0; }));
    s.d.Stop();
    EXPECT_LT(s.d.BytesDecoded(), flood.size() / 4);
}

TEST(DrawSence, HiddenWindowKeepsNoImageAndIsPaintedWhenShown)
{
    Screen s(300, 200);
    s.d.Enqueue("shown\r\n");
    ASSERT_TRUE(WaitFor([&] { return s.frames > 0; }));
    s.d.SetWindowPresent(false);
    EXPECT_TRUE(s.d.TakeFrame().image.isNull());
    s.d.Enqueue("while hidden\r\n");
    ASSERT_TRUE(WaitFor([&] { return s.d.StoreSize() == 2; }));
    s.d.SetWindowPresent(true);
    EXPECT_FALSE(s.FrameWith(2).isNull());
}

TEST(DrawSence, ScreensOfOneFontPaintAlikeAndOpenEachFaceOnce)
{
    // Chinese text brings in the fallback face as well as the screen's own;
    // each screen has characters of its own, which it is the first to need.
    const QString words[] = {QStringLiteral("你好"), QStringLiteral("世界"), QStringLiteral("招牌"),
                             QStringLiteral("客栈")};
    std::vector<std::string> texts;
    for (const QString &w : words)
        texts.push_back("\x1b[1;32m" + gbk::FromQString(w) + "\x1b[0m hello \x1b[44m" +
                        gbk::FromQString(w) + "\x1b[0m\r\n");
    std::vector<QImage> alone;
    for (const std::string &text : texts) {
        Screen s(300, 60);
        s.d.Enqueue(text);
        alone.push_back(s.FrameWith(1));
    }
    // Four screens painting at once, with one measure and its glyphs.
    std::vector<std::unique_ptr<Screen>> screens;
    for (const std::string &text : texts) {
        screens.push_back(std::make_unique<Screen>(300, 60));
        screens.back()->d.Enqueue(text);
    }
    for (std::size_t i = 0; i < screens.size(); ++i) {
        ASSERT_FALSE(alone[i].isNull());
        EXPECT_EQ(screens[i]->FrameWith(1), alone[i]) << i;
    }
    // Each face is opened on the font thread, and at most once more by
    // whatever this thread drew: never once per screen.
    for (const auto &[file, mappings] : FontFileMappings())
        EXPECT_LE(mappings, 2) << file;
}

// Split, each part shows exactly what a frame of its own rows painted whole
// would, in its band: the history where the view stops above the divider, the
// newest lines below it. New lines move only the lower part, and the upper
// one stays on its line while the store drops the lines before it.
TEST(DrawSence, SplitViewPaintsTheHistoryAboveAndTheNewestLinesBelow)
{
    Screen s(320, 240);
    const auto lines = [](int from, int to) {
        std::string text;
        for (int i = from; i < to; ++i)
            text += "\x1b[3" + std::to_string(1 + i % 6) + "mline " + std::to_string(i) +
                    (i % 7 == 0 ? "\x1b[0m and plain" : "") + "\r\n";
        return text;
    };
    // The frame drawn once everything queued is stored.
    const auto settled = [&](std::size_t stored) {
        EXPECT_TRUE(WaitFor([&] { return s.d.QueuedBytes() == 0 && s.d.StoreSize() == stored; }));
        s.d.RequestRedraw();
        return s.FrameWith(stored);
    };
    const screen::ScreenLook look = s.d.Look();
    const int rowHeight = look.RowHeight();
    const int rows = screen::RowsFor(240, look.fontSize, look.lineSpacing);
    const screen::SplitLayout split = screen::LayOutSplit(240, rowHeight, rows, 3);
    ASSERT_TRUE(split.open());
    const auto measure = screen::QtTextMeasure::ForLook(look);
    // What a part of `partRows` rows ending at stored line `bottom` looks like alone.
    const auto alone = [&](int bottom, int partRows, int height) {
        const std::vector<screen::DecodedLine> store = s.d.StoreSnapshot();
        const auto lock = measure->Lock();
        screen::Frame frame;
        screen::BuildRows(*measure, store, bottom, partRows, 320, frame);
        QImage image(320, height, QImage::Format_RGB32);
        screen::PaintRows(image, *measure, frame, partRows, look);
        return image;
    };
    const auto expectParts = [&](const QImage &image, int upperBottom) {
        ASSERT_FALSE(image.isNull());
        const int stored = static_cast<int>(s.d.StoreSize());
        EXPECT_EQ(image.copy(0, 0, 320, split.dividerTop),
                  alone(upperBottom, split.upperRows, split.dividerTop));
        EXPECT_EQ(image.copy(0, split.lowerTop, 320, 240 - split.lowerTop),
                  alone(stored - 1, split.lowerRows, 240 - split.lowerTop));
        EXPECT_EQ(image.pixel(0, split.dividerTop + 1), screen::ToRgb(look.fgPalette[8]));
    };

    s.d.Enqueue(lines(0, 3400));
    settled(3400);
    s.d.SetScroll(3000, 3);
    QImage first = settled(3400);
    expectParts(first, 3000);
    EXPECT_EQ(s.d.ScreenRowCount(), split.upperRows);

    // A few new lines: the lower part scrolls, the upper part is not painted again.
    const std::uint64_t rowsBefore = s.d.RowsPainted();
    s.d.GiveBack(first);
    s.d.Enqueue(lines(3400, 3402));
    QImage second = settled(3402);
    expectParts(second, 3000);
    EXPECT_LT(s.d.RowsPainted() - rowsBefore, std::uint64_t(split.upperRows));

    // The store passes its line cap and drops its oldest lines: line 3000 stays put.
    s.d.Enqueue(lines(3402, 3600));
    ASSERT_TRUE(WaitFor([&] { return s.d.QueuedBytes() == 0 && s.d.StoreSize() < 3000; }));
    const std::size_t stored = s.d.StoreSize();
    const int index = s.d.scrollPos();
    EXPECT_EQ(s.d.StoreSnapshot()[std::size_t(index)].text.rfind("line 3000", 0), 0u);
    expectParts(settled(stored), index);
}
