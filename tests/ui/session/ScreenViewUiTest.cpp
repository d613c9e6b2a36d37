// What the player sees of a game window's screen, read back from the window's
// own pixels: after every run of new rows (the screen scrolls what it already
// painted and paints only the rest), the view shows exactly the frame painted
// whole, following, split and with a selection. The scroll bar beside it is
// painted again only when its picture changes, and never left showing an old one.
#include "core/screen/FrameLayout.h"
#include "core/screen/Selection.h"
#include "core/screen/SplitView.h"
#include "render/FramePainter.h"
#include "render/GbkCodec.h"
#include "render/QtTextMeasure.h"
#include "render/ScreenThread.h"
#include "support/QtWait.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenBar.h"
#include "ui/session/ScreenView.h"

#include <gtest/gtest.h>
#include <optional>

#include <QPainter>
#include <QScreen>
#include <QScrollBar>

using session::ScreenView;
using session::TMDIChild;
using testsupport::WaitFor;

namespace {

// The pixels `widget` shows in its window, as the window's surface holds them.
QImage Seen(QWidget *widget)
{
    QWidget *top = widget->window();
    const QPoint at = widget->mapTo(top, QPoint(0, 0));
    return top->screen()
        ->grabWindow(top->winId(), at.x(), at.y(), widget->width(), widget->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Line i: GBK and ASCII in a colour, some leaving their colours set for the
// lines after them, every seventh long enough to wrap.
std::string Line(int i)
{
    std::string s = "\x1b[3" + std::to_string(1 + i % 7) + "m#" + std::to_string(i) + " ";
    s += gbk::FromQString(QStringLiteral("你看见一把长剑"));
    if (i % 4 == 0)
        s += "\x1b[4" + std::to_string(i % 8) + "m hp 100/100";
    if (i % 7 == 0)
        for (int k = 0; k < 6; ++k)
            s += gbk::FromQString(QStringLiteral(" 北边是一条小路，")) + "north";
    if (i % 3 != 0)
        s += "\x1b[0m";
    return s + "\r\n";
}

class ShownScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.resize(640, 420);
        w.show();
        view = w.findChild<ScreenView *>();
        bar = w.findChild<QScrollBar *>();
        ASSERT_TRUE(view && bar);
        look = w.screen().Look();
        measure = screen::QtTextMeasure::ForLook(look);
    }

    // Queues `count` more lines and waits until every line is stored.
    void Add(int count)
    {
        std::string text;
        for (int k = 0; k < count; ++k)
            text += Line(next++);
        w.screen().Enqueue(text);
        ASSERT_TRUE(WaitFor([&] {
            return w.screen().QueuedBytes() == 0 &&
                   w.screen().LinesDecoded() == static_cast<std::uint64_t>(next);
        }));
    }

    // The frame painted whole from the stored lines: the newest lines, or
    // split, the history ending at the view's line above and the newest lines
    // below; the selection inverted over the rows it covers.
    QImage Whole(const screen::SplitLayout &split, const screen::Selection *sel = nullptr)
    {
        const int width = view->width(), height = view->height();
        const std::vector<screen::DecodedLine> store = w.screen().StoreSnapshot();
        const int stored = static_cast<int>(store.size());
        const auto lock = measure->Lock();
        const auto part = [&](int bottom, int rows, int partHeight, screen::Frame &frame) {
            screen::BuildRows(*measure, store, screen::ChooseBottomLine(bottom, stored, rows), rows,
                              width, frame);
            QImage image(width, partHeight, QImage::Format_RGB32);
            screen::PaintRows(image, *measure, frame, rows, look);
            return image;
        };
        screen::Frame upper, lower;
        QImage image(width, height, QImage::Format_RGB32);
        if (!split.open()) {
            const int rows = screen::RowsFor(height, look.fontSize, look.lineSpacing);
            image = part(-1, rows, height, upper);
        } else {
            image.fill(screen::ToRgb(look.bgPalette[0]));
            QPainter p(&image);
            p.drawImage(0, 0,
                        part(w.screen().scrollPos(), split.upperRows, split.dividerTop, upper));
            p.drawImage(0, split.lowerTop,
                        part(-1, split.lowerRows, height - split.lowerTop, lower));
            p.fillRect(0, split.dividerTop + 1, width, 1, QColor(screen::ToRgb(look.fgPalette[8])));
        }
        if (sel) {
            screen::SelectionMarks marks;
            screen::MarkSelection(*measure, upper, *sel, width, marks);
            screen::PaintSelection(image, marks, *sel, look.RowHeight());
        }
        return image;
    }

    screen::SplitLayout Split() const
    {
        const int rows = screen::RowsFor(view->height(), look.fontSize, look.lineSpacing);
        return screen::LayOutSplit(view->height(), look.RowHeight(), rows,
                                   w.splitOpen() ? screen::SplitLayout::kDefaultLowerRows : 0);
    }

    // Waits for the view to show the frame painted whole.
    bool ShowsWhole(const screen::Selection *sel = nullptr)
    {
        const QImage expected = Whole(Split(), sel);
        return WaitFor([&] { return Seen(view) == expected; });
    }

    TMDIChild w{nullptr, "", nullptr};
    ScreenView *view = nullptr;
    QScrollBar *bar = nullptr;
    screen::ScreenLook look;
    std::shared_ptr<screen::QtTextMeasure> measure;
    int next = 0;
};

TEST_F(ShownScreen, EveryRunOfNewRowsShowsTheFramePaintedWhole)
{
    const int rows = screen::RowsFor(view->height(), look.fontSize, look.lineSpacing);
    ASSERT_GT(rows, 8);
    Add(3 * rows);
    ASSERT_TRUE(ShowsWhole());
    // Following: runs of 1 to a whole screen of new lines, round the ring more than once.
    for (int fresh = 1; fresh <= rows; ++fresh) {
        Add(fresh);
        ASSERT_TRUE(ShowsWhole()) << fresh << " new lines";
    }

    // Scrolled back with the bar: the view splits; the lower part keeps following.
    bar->setValue(bar->maximum() - 2 * rows);
    ASSERT_TRUE(w.splitOpen());
    ASSERT_TRUE(ShowsWhole());
    for (int fresh = 1; fresh <= screen::SplitLayout::kDefaultLowerRows + 2; ++fresh) {
        Add(fresh);
        ASSERT_TRUE(ShowsWhole()) << fresh << " new lines, split";
    }

    // A selection over three rows of the upper part stays there while lines arrive.
    const int rowHeight = look.RowHeight();
    const QPoint from(3, rowHeight + rowHeight / 2), to(view->width() / 2, 3 * rowHeight + 2);
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    ASSERT_TRUE(WaitFor([&] { return w.screen().SelectedText().size() == 3; }));
    screen::Selection sel;
    sel.LeftButtonDown(from.x(), from.y(), rowHeight, w.screen().ScreenRowCount());
    sel.PointerMove(to.x(), to.y(), rowHeight, w.screen().ScreenRowCount());
    sel.LeftButtonUp();
    for (int fresh = 1; fresh <= 3; ++fresh) {
        Add(fresh);
        ASSERT_TRUE(ShowsWhole(&sel)) << fresh << " new lines, split with a selection";
    }

    // Back at the end: following again, from a picture that had a selection over it.
    w.ReturnToFollow();
    ASSERT_FALSE(w.splitOpen());
    ASSERT_TRUE(ShowsWhole());
    for (int fresh = 1; fresh <= 3; ++fresh) {
        Add(fresh);
        ASSERT_TRUE(ShowsWhole()) << fresh << " new lines after the split";
    }
}

// Handles the window's pending paints, so a paint asked for has happened.
void Settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

TEST(ScreenBar, IsPaintedAgainOnlyWhenItsPictureChanges)
{
    QWidget window;
    window.resize(60, 400);
    auto *bar = new session::ScreenBar(Qt::Vertical, &window);
    bar->setPageStep(30);
    bar->setGeometry(20, 0, bar->sizeHint().width(), 400);
    window.show();
    ASSERT_TRUE(WaitFor([&] { return bar->paintCount() > 0; }));
    bar->Show(3000, 3000);
    Settle();
    struct Step
    {
        const char *what;
        int maximum;
        int position;
        bool painted;
    };
    const Step steps[] = {
        {"following: the handle stays at the end", 3001, 3001, false},
        {"following, a larger step", 3050, 3050, false},
        {"the same values again", 3050, 3050, false},
        {"scrolled back", 3050, 1000, true},
        {"at the start", 3050, 0, true},
        {"the range grows under the start", 3100, 0, false},
        {"nothing to scroll", 0, 0, true},
        {"text again, following", 40, 40, true},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        const int before = bar->paintCount();
        bar->Show(s.maximum, s.position);
        Settle();
        EXPECT_EQ(bar->maximum(), s.maximum);
        EXPECT_EQ(bar->value(), s.position);
        EXPECT_EQ(bar->paintCount() > before, s.painted);
        EXPECT_TRUE(Seen(bar) == bar->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }
    // Scrolled back while the range grows a line at a time, the handle
    // creeps up a pixel now and then: each time it shows where it is.
    bar->Show(2000, 1500);
    Settle();
    const int before = bar->paintCount();
    for (int maximum = 2001; maximum <= 2400; ++maximum) {
        bar->Show(maximum, 1500);
        Settle();
    }
    EXPECT_GT(bar->paintCount(), before);
    EXPECT_LT(bar->paintCount() - before, 100);
    EXPECT_TRUE(Seen(bar) == bar->grab().toImage().convertToFormat(QImage::Format_RGB32));
}

} // namespace
