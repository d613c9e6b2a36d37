// What a player meets in the first minutes, driven through the real frame with
// key and mouse events routed by the window system: the input line keeps the
// keyboard and comes back with its text selected after every switch, the
// captured name never takes a password, cascaded windows stay usable.
#include "render/GbkCodec.h"
#include "support/FrameFixture.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenView.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QTabBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QToolButton>

using session::ScreenView;
using session::TMDIChild;

using testsupport::WaitFor;

class KeyboardAndWindows : public testsupport::FrameFixture<testsupport::MultiClientServer>
{
protected:
    QTcpSocket *Peer(int index) { return server->sockets[static_cast<std::size_t>(index)]; }

    void SetUp() override { StartFrame({}, QSize(800, 500)); }
};

TEST_F(KeyboardAndWindows, EverySwitchLeavesTheLastCommandSelected)
{
    ASSERT_TRUE(Open() && Open());
    ASSERT_TRUE(WaitFor([&] { return (QApplication::focusWidget()) == (CommandInput()); }));
    TypeLineTo("where", 1);

    // A click on the first tab.
    QTabBar *tabs = TabControl1();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    ASSERT_TRUE(WaitFor([&] { return (form->ActiveSession()) == (sessions()[0]); }));
    ASSERT_TRUE(WaitFor([&] { return (QApplication::focusWidget()) == (CommandInput()); }));
    TypeLineTo("hp", 0);
    ASSERT_EQ(server->received[0], QByteArray("hp\n"));

    // The "窗口" menu's entry for the second window.
    emit WindowMenu()->aboutToShow();
    QAction *second = nullptr;
    for (QAction *item : WindowMenu()->actions()) {
        if (item->isCheckable() && item->text().startsWith(QLatin1String("2 ")))
            second = item;
    }
    ASSERT_TRUE(second);
    second->trigger();
    ASSERT_TRUE(WaitFor([&] { return (form->ActiveSession()) == (sessions()[1]); }));
    ASSERT_TRUE(WaitFor([&] { return (QApplication::focusWidget()) == (CommandInput()); }));
    TypeLineTo("look", 1);
    ASSERT_EQ(server->received[1], QByteArray("where\nlook\n"));

    // Anything else that takes the focus and gives it back.
    TabControl1()->setFocus();
    CommandInput()->setFocus();
    TypeLineTo("score", 1);
    ASSERT_EQ(server->received[1], QByteArray("where\nlook\nscore\n"));
}

TEST_F(KeyboardAndWindows, TheScreenTheBarAndTheButtonsNeverTakeTheKeyboard)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    for (int i = 0; i < 60; ++i)
        Peer(0)->write(QByteArray("line ") + QByteArray::number(i) + '\n');
    ASSERT_TRUE(WaitFor([&] { return bool(w->screen().StoreSize() >= 60); }));
    auto *view = w->findChild<ScreenView *>();
    ASSERT_TRUE(view);

    // A drag selection on the screen, then typing goes on in the line.
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(2, 4));
    QTest::mouseMove(view, QPoint(view->width() - 4, 4));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->width() - 4, 4));
    ASSERT_TRUE(w->selectionReady());
    ASSERT_EQ(QApplication::focusWidget(), CommandInput());
    TypeLineTo("north", 0);

    // The scroll bar and the status buttons.
    auto *bar = w->findChild<QScrollBar *>();
    ASSERT_TRUE(bar);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 4));
    auto *lock = w->findChild<QToolButton *>(QStringLiteral("SpeedButton1"));
    ASSERT_TRUE(lock);
    QTest::mouseClick(lock, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), CommandInput());
    TypeLineTo("south", 0);

    // The window's own frame: the area hands its focus on to the line.
    QMdiSubWindow *frame = form->SubWindowOf(0);
    frame->showNormal();
    frame->setFocus();
    ASSERT_TRUE(WaitFor([&] { return (QApplication::focusWidget()) == (CommandInput()); }));
    TypeLineTo("east", 0);

    // A key that reaches the game window anyway lands in the line.
    CommandInput()->clear();
    QTest::keyClick(w, Qt::Key_W);
    ASSERT_EQ(CommandInput()->text(), QStringLiteral("w"));
    ASSERT_EQ(QApplication::focusWidget(), CommandInput());
}

TEST_F(KeyboardAndWindows, TabStaysInTheInputLine)
{
    ASSERT_TRUE(Open());
    ASSERT_TRUE(WaitFor([&] { return (QApplication::focusWidget()) == (CommandInput()); }));
    Press(Qt::Key_Tab);
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), CommandInput());
    TypeLineTo("west", 0);
}

TEST_F(KeyboardAndWindows, CtrlCCopiesTheSelectionWhereverTheFocusIs)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    Peer(0)->write("hello world\n");
    ASSERT_TRUE(WaitFor(
        [&] { return bool(w->screen().StoreSize() > 0 && w->screen().ScreenRowCount() > 0); }));
    auto *view = w->findChild<ScreenView *>();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(1, 4));
    QTest::mouseMove(view, QPoint(view->width() - 2, 4));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->width() - 2, 4));
    ASSERT_TRUE(WaitFor([&] { return bool(!w->screen().SelectedText().empty()); }));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    TabControl1()->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), TabControl1());
    Press(Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello world"));
    ASSERT_TRUE(!w->selectionReady());
    ASSERT_EQ(QApplication::focusWidget(), CommandInput());
}

TEST_F(KeyboardAndWindows, WheelScrollsThreeRowsAndStopsFollowing)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    for (int i = 0; i < 100; ++i)
        Peer(0)->write(QByteArray("row ") + QByteArray::number(i) + '\n');
    auto *bar = w->findChild<QScrollBar *>();
    ASSERT_TRUE(
        WaitFor([&] { return bool(bar->maximum() >= 100 && bar->value() == bar->maximum()); }));
    const int end = bar->maximum();
    auto *view = w->findChild<ScreenView *>();
    const QPointF at(20, 20);
    QWheelEvent up(at, view->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &up);
    ASSERT_EQ(bar->value(), end - 3);
    // Like dragging the bar up: the scroll lock shows stopped.
    auto *lock = w->findChild<QToolButton *>(QStringLiteral("SpeedButton1"));
    ASSERT_EQ(lock->property("tag").toInt(), 0);
    QApplication::sendEvent(view, &up);
    ASSERT_EQ(bar->value(), end - 6);
    ASSERT_EQ(QApplication::focusWidget(), CommandInput());
}

TEST_F(KeyboardAndWindows, ALineWithASpaceNeverBecomesTheCaption)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    // "名" in the welcome arms the capture.
    Peer(0)->write(gbk::FromQString(QStringLiteral("欢迎！用 connect <名> <密码> 进入")).c_str());
    ASSERT_TRUE(WaitFor([&] { return (w->nameCaptureStage()) == (1); }));
    TypeLineTo("connect wizard potrzebie", 0);
    ASSERT_EQ(w->nameCaptureStage(), 2);
    ASSERT_EQ(w->windowTitle(), QStringLiteral("mud"));
    ASSERT_EQ(TabControl1()->tabText(0), QStringLiteral("mud"));
    emit WindowMenu()->aboutToShow();
    for (QAction *item : WindowMenu()->actions()) {
        ASSERT_TRUE(!item->text().contains(QLatin1String("potrzebie")));
    }
    // The capture is over: a later one-word line leaves the caption too.
    TypeLineTo("zhao", 0);
    ASSERT_EQ(w->windowTitle(), QStringLiteral("mud"));
}

TEST_F(KeyboardAndWindows, CascadedWindowsKeepAUsableSize)
{
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(Open());
    }
    TMDIChild *active = form->ActiveSession();
    form->CascadeWindows();
    const QRect area = ClientArea()->viewport()->rect();
    QList<QPoint> corners;
    for (int i = 0; i < 5; ++i) {
        const QRect g = form->SubWindowOf(i)->geometry();
        ASSERT_TRUE(g.height() * 3 >= area.height() * 2) << qPrintable(QString::number(g.height()));
        ASSERT_TRUE(g.width() * 3 >= area.width() * 2);
        ASSERT_TRUE(area.contains(g));
        ASSERT_TRUE(!corners.contains(g.topLeft()));
        corners << g.topLeft();
        // The screen inside has room for rows of text.
        ASSERT_TRUE(sessions()[i]->findChild<ScreenView *>()->height() > 100);
    }
    ASSERT_EQ(form->ActiveSession(), active);
    ASSERT_TRUE(WaitFor([&] { return (QApplication::focusWidget()) == (CommandInput()); }));
    TypeLineTo("cascaded", 4);
}
