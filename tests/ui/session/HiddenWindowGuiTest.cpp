// A game window that is not seen, hidden or covered by a maximised window,
// keeps no frame image; seen again, it is painted from its text.
#include "support/QtWait.h"
#include "ui/session/CoverWatch.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenView.h"

#include <array>
#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>

using session::CoverWatch;
using session::ScreenView;
using session::TMDIChild;

using testsupport::WaitFor;

TEST(HiddenWindow, DropsItsImageAndIsPaintedWhenShownAgain)
{
    TMDIChild w(nullptr, "", nullptr);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.resize(400, 200);
    w.show();
    auto *view = w.findChild<ScreenView *>();
    ASSERT_NE(view, nullptr);
    w.screen().Enqueue("before\r\n");
    ASSERT_TRUE(WaitFor([&] { return !view->frame().isNull(); }));
    w.hide();
    EXPECT_TRUE(view->frame().isNull());
    w.screen().Enqueue("while hidden\r\n");
    ASSERT_TRUE(WaitFor([&] { return w.screen().StoreSize() == 2; }));
    w.show();
    ASSERT_TRUE(WaitFor([&] { return !view->frame().isNull(); }));
    EXPECT_EQ(w.screen().StoreSize(), 2u);
}

TEST(HiddenWindow, WindowsBehindAMaximisedOneDrawNothingUntilSeen)
{
    QMdiArea area;
    CoverWatch covers(area);
    area.resize(500, 300);
    area.show();
    std::array<TMDIChild *, 3> windows{};
    std::array<QMdiSubWindow *, 3> subs{};
    for (std::size_t i = 0; i < windows.size(); ++i) {
        windows[i] = new TMDIChild(nullptr, "", nullptr);
        subs[i] = area.addSubWindow(windows[i]);
        covers.Track(subs[i]);
        subs[i]->showMaximized();
        area.setActiveSubWindow(subs[i]);
    }
    auto view = [&](std::size_t i) { return windows[i]->findChild<ScreenView *>(); };
    // The last one opened is in front; the two behind it are covered.
    EXPECT_FALSE(windows[2]->covered());
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(windows[i]->covered()) << i;
        EXPECT_TRUE(view(i)->frame().isNull()) << i;
    }
    const int before = windows[0]->framesShown();
    windows[0]->screen().Enqueue("behind\r\n");
    windows[2]->screen().Enqueue("in front\r\n");
    ASSERT_TRUE(WaitFor([&] { return !view(2)->frame().isNull(); }));
    ASSERT_TRUE(WaitFor([&] { return windows[0]->screen().StoreSize() == 1; }));
    EXPECT_EQ(windows[0]->framesShown(), before);
    EXPECT_TRUE(view(0)->frame().isNull());

    // Brought to the front, it is painted; the one it now covers lets go.
    area.setActiveSubWindow(subs[0]);
    EXPECT_FALSE(windows[0]->covered());
    EXPECT_TRUE(windows[2]->covered());
    ASSERT_TRUE(WaitFor([&] { return !view(0)->frame().isNull(); }));
    EXPECT_TRUE(view(2)->frame().isNull());

    // Side by side, every window is seen again.
    area.tileSubWindows();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        EXPECT_FALSE(windows[i]->covered()) << i;
        ASSERT_TRUE(WaitFor([&] { return !view(i)->frame().isNull(); })) << i;
    }
}
