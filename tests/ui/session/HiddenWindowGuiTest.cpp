// A game window that is not shown keeps no frame image; shown again, it is
// painted from its text.
#include "support/QtWait.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenView.h"

#include <gtest/gtest.h>

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
