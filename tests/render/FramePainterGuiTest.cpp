// The painter read back from its pixels: glyphs stay where the layout's
// widths put them, so a colour change never covers the text before it, and
// the font's cell leaves the line spacing empty between rows.
#include "core/screen/FrameLayout.h"
#include "core/screen/LineStore.h"
#include "render/FramePainter.h"
#include "render/GbkCodec.h"
#include "render/QtTextMeasure.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

namespace {

struct Painted
{
    QImage image;
    int rowHeight;
};

Painted Paint(const std::string &text, screen::QtTextMeasure &measure,
              const screen::ScreenLook &look, int width = 800, int height = 120)
{
    screen::LineStore store;
    screen::Decoder decoder;
    screen::Decoder::Batch batch;
    screen::DecodeInto(decoder, batch, store, text);
    const int rows = screen::RowsFor(height, look.fontSize, look.lineSpacing);
    screen::Frame frame;
    screen::BuildRows(measure, store.lines(), static_cast<int>(store.size()) - 1, rows, width,
                      frame);
    QImage image(width, height, QImage::Format_RGB32);
    screen::PaintRows(image, measure, frame, rows, look);
    return {image, look.RowHeight()};
}

// The first x at or after `from` in lines top..bottom-1 whose colour is not
// `background`, or -1.
int FirstInkAt(const QImage &image, int from, int top, int bottom, QRgb background)
{
    for (int x = from; x < image.width(); ++x)
        for (int y = top; y < bottom; ++y)
            if (image.pixel(x, y) != background)
                return x;
    return -1;
}

} // namespace

// The text before a colour change is painted exactly as without the change,
// and all of its ink lies within the width the layout gave it: the next run
// starts there, so nothing of the last glyph before it can be covered.
TEST(PaintRows, ColourChangeLeavesTheGlyphBeforeItWhole)
{
    std::string digits;
    for (int i = 0; i < 60; ++i)
        digits += static_cast<char>('0' + i % 10);
    struct Case
    {
        std::string before;
        std::string change;
        std::string after;
    };
    const Case cases[] = {
        {digits, "\x1b[32m", "GREEN"},
        {"You say, \"", "\x1b[1;33m", "hello\""},
        {"\xc3\xfb\xd7\xd6\xa3\xba", "\x1b[44m", "Bob"}, // 名字： then a blue background
        {"hp 100/100 ", "\x1b[41;37m", "\xd6\xd0\xce\xc4"},
    };
    const screen::ScreenLook look;
    screen::QtTextMeasure measure(screen::ScreenFont(look));
    const QRgb background = screen::ToRgb(look.bgPalette[0]);
    for (const Case &c : cases) {
        const Painted changed = Paint(c.before + c.change + c.after + "\r\n", measure, look);
        const Painted alone = Paint(c.before + "\r\n", measure, look);
        const int width = screen::TextWidth(measure, c.before);
        ASSERT_GT(width, 0);
        EXPECT_EQ(FirstInkAt(alone.image, width, 0, changed.rowHeight, background), -1)
            << c.before << ": ink beyond the width the layout gives it";
        EXPECT_GE(FirstInkAt(alone.image, width - 8, 0, changed.rowHeight, background), 0)
            << c.before << ": no ink near its end at all";
        for (int y = 0; y < changed.rowHeight; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(changed.image.pixel(x, y), alone.image.pixel(x, y))
                    << c.before << " at " << x << "," << y;
    }
}

// The font size is the cell (ascent + descent), so rows of glyphs that reach
// far up and down still leave the line spacing below them empty.
TEST(PaintRows, LineSpacingStaysEmptyBetweenRows)
{
    for (const int size : {10, 12, 14, 18, 24}) {
        screen::ScreenLook look;
        look.fontSize = size;
        const QFont font = screen::ScreenFont(look);
        EXPECT_LE(QFontMetrics(font).height(), size) << size;
        EXPECT_GE(QFontMetrics(font).height(), size - 2) << size;
        screen::QtTextMeasure measure(font);
        const std::string line = "\x1b[1;37mgjy|_Q\xd6\xd0\xce\xc4\xa3\xdb\xc3\xfb\r\n"; // 中文（名
        const Painted p =
            Paint(line + line + line + line, measure, look, 400, 8 * look.RowHeight());
        const QRgb background = screen::ToRgb(look.bgPalette[0]);
        for (int k = 0; k < 3; ++k) {
            const int top = k * p.rowHeight;
            EXPECT_GE(FirstInkAt(p.image, 0, top, top + size, background), 0) << size;
            EXPECT_EQ(FirstInkAt(p.image, 0, top + size, top + p.rowHeight, background), -1)
                << "size " << size << ": ink in the spacing below row " << k;
        }
    }
}

// Cells copied from ready tiles look exactly like glyphs blended one by one
// (the painter blends when a negative line spacing cuts the cell short), in
// every pair of colours, including a reverse-video run.
TEST(PaintRows, TilesMatchBlendedGlyphs)
{
    const std::string line = "\x1b[1;32mhp 100/100 \x1b[44;33m\xd6\xd0\xce\xc4 gjy\x1b[0m"
                             "plain\x1b[7m reverse\r\n";
    screen::ScreenLook look;
    screen::QtTextMeasure measure(screen::ScreenFont(look));
    const Painted tiled = Paint(line, measure, look, 600, 60);
    look.lineSpacing = -1;
    const Painted blended = Paint(line, measure, look, 600, 60);
    const int width = screen::TextWidth(measure, "hp 100/100 \xd6\xd0\xce\xc4 gjyplain reverse");
    ASSERT_GE(FirstInkAt(blended.image, 0, 0, blended.rowHeight, screen::ToRgb(look.bgPalette[0])),
              0);
    for (int y = 0; y < blended.rowHeight; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(tiled.image.pixel(x, y), blended.image.pixel(x, y)) << x << "," << y;
}

TEST(Gb18030Text, CodecAndMeasureKeepFourByteCharactersWhole)
{
    // 中 (GBK), ä and U+1F600 (four bytes each), € (two bytes in GB18030).
    const QString text = QStringLiteral("中ä€") + QString::fromUcs4(U"\U0001F600", 1);
    const std::string bytes = gbk::FromQString(text);
    EXPECT_EQ(bytes, "\xD6\xD0"
                     "\x81\x30\x8A\x31"
                     "\xA2\xE3"
                     "\x94\x39\xFC\x36");
    EXPECT_EQ(gbk::ToQString(bytes), text);
    EXPECT_EQ(gbk::FromQString(QStringLiteral("你好，look")), "\xC4\xE3\xBA\xC3\xA3\xAClook");

    screen::ScreenLook look;
    screen::QtTextMeasure measure(screen::ScreenFont(look));
    QString shown;
    measure.AppendText(bytes, shown);
    // Beyond the first plane the screen shows one U+FFFD for the character.
    EXPECT_EQ(shown, QStringLiteral("中ä€\uFFFD"));
    const QFontMetrics metrics(screen::ScreenFont(look));
    EXPECT_EQ(measure.CharWidth("\x81\x30\x8A\x31"), metrics.horizontalAdvance(QChar(0xE4)));
    // Painted, the four-byte character leaves ink where its width says.
    const Painted p = Paint("a\x81\x30\x8A\x31\r\n", measure, look);
    const QRgb background = screen::ToRgb(look.bgPalette[0]);
    const int aWidth = measure.CharWidth("a");
    const int ink = FirstInkAt(p.image, aWidth, 0, p.rowHeight, background);
    EXPECT_GE(ink, aWidth);
    EXPECT_LT(ink, aWidth + measure.CharWidth("\x81\x30\x8A\x31"));
}
