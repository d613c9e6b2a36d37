// The scrollback tools as the player uses them: against the demo server, the
// find bar with real keys and clicks, and a log written during play that holds
// what the screen shows and never the password typed at a hidden prompt;
// against a server the test speaks for, the split view while scrolled back.
#include "core/screen/Selection.h"
#include "core/session/SessionCodes.h"
#include "render/GbkCodec.h"
#include "support/FrameFixture.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "ui/session/FindBar.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

using session::ScreenView;
using session::TMDIChild;

using testsupport::WaitFor;

class Scrollback : public testsupport::FrameFixture<testsupport::DemoServerProcess>
{
protected:
    TMDIChild *w = nullptr;

    bool StoreHolds(const std::string &piece) const { return testsupport::StoreHolds(*w, piece); }

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartFrame());
        w = OpenDemoAndLogIn();
        ASSERT_TRUE(w);
    }
};

TEST_F(Scrollback, FindBarTakesCtrlFEnterAndEscape)
{
    TypeLine(QStringLiteral("say FindMe one"));
    ASSERT_TRUE(WaitFor([&] { return server->Log().contains("say FindMe one\n"); }));
    TypeLine(QStringLiteral("say findme two"));
    // Every line of the second say is in (the echo, the server's and the dog's),
    // so no line arrives between the steps below.
    const auto linesWith = [&](const std::string &piece) {
        int n = 0;
        for (const auto &l : w->screen().StoreSnapshot())
            n += l.text.find(piece) != std::string::npos;
        return n;
    };
    ASSERT_TRUE(WaitFor([&] { return linesWith("findme two") == 3; }));

    QTest::keyClick(CommandInput(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(w->findBar()->isVisible());
    auto *findText = w->findBar()->findChild<QLineEdit *>(QStringLiteral("findText"));
    ASSERT_TRUE(findText && findText->hasFocus());
    QTest::keyClicks(findText, QStringLiteral("FINDME"));

    // Enter goes up from the newest line, Shift+Enter back down; each stops the view.
    const auto shownLine = [&] {
        const auto lines = w->screen().StoreSnapshot();
        const int pos = w->screen().scrollPos();
        return pos >= 0 && pos < int(lines.size()) ? lines[std::size_t(pos)].text : std::string();
    };
    QTest::keyClick(findText, Qt::Key_Return);
    EXPECT_NE(shownLine().find("findme two"), std::string::npos) << shownLine();
    // Older and older, past every line of the second say, to the first one's.
    for (int i = 0; i < 4 && shownLine().find("FindMe one") == std::string::npos; ++i)
        QTest::keyClick(findText, Qt::Key_Return);
    EXPECT_NE(shownLine().find("FindMe one"), std::string::npos) << shownLine();
    QTest::keyClick(findText, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_NE(shownLine().find("findme two"), std::string::npos) << shownLine();
    EXPECT_EQ(w->findBar()->result(), QString());
    // The screen shows the match selected, from a frame painted after the search.
    ASSERT_TRUE(WaitFor([&] {
        const auto sel = w->screen().SelectedText();
        return sel.size() == 1 && sel[0] == "findme";
    }));

    findText->clear();
    QTest::keyClicks(findText, QStringLiteral("nowhere at all"));
    QTest::keyClick(findText, Qt::Key_Return);
    EXPECT_EQ(w->findBar()->result(), QStringLiteral("无匹配"));

    QTest::keyClick(findText, Qt::Key_Escape);
    EXPECT_FALSE(w->findBar()->isVisible());
    EXPECT_TRUE(CommandInput()->hasFocus());
    EXPECT_FALSE(tray->shown); // Escape in the bar never hides the program to the tray
    // The input line kept its role all along.
    TypeLine(QStringLiteral("say after"));
    ASSERT_TRUE(WaitFor([&] { return StoreHolds("after"); }));
}

TEST_F(Scrollback, LogHoldsThePlayAndNeverThePassword)
{
    const QString path = dir->filePath(QStringLiteral("play.txt"));
    ASSERT_TRUE(w->StartLog(QFile::encodeName(path).toStdString(), {}));
    EXPECT_TRUE(w->logging());
    // Each line's runner has its own thread: the next line waits for the server.
    TypeLine(QStringLiteral("say logged line"));
    ASSERT_TRUE(WaitFor([&] { return server->Log().contains("say logged line\n"); }));
    TypeLine(QStringLiteral("password"));
    ASSERT_TRUE(WaitFor([&] { return w->inputHidden(); }));
    TypeLine(QStringLiteral("hunter22"));
    const std::string received = gbk::FromQString(QStringLiteral("密码已收到（8 个字节）"));
    ASSERT_TRUE(WaitFor([&] { return StoreHolds(received); }));
    w->StopLog();
    EXPECT_FALSE(w->logging());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray log = file.readAll();
    EXPECT_TRUE(log.contains("say logged line\r\n")) << log.constData(); // the echo as shown
    EXPECT_TRUE(log.contains(received.c_str()));
    EXPECT_FALSE(log.contains("hunter22"));
    EXPECT_FALSE(log.contains('\x1b'));
}

TEST_F(Scrollback, AClickIntoTheFindBarGivesItTheKeyboard)
{
    QTest::keyClick(CommandInput(), Qt::Key_F, Qt::ControlModifier);
    auto *findText = w->findBar()->findChild<QLineEdit *>(QStringLiteral("findText"));
    ASSERT_TRUE(findText && findText->isVisible());
    // Back to the input line, as after a command, then a click into the bar.
    CommandInput()->setFocus();
    ASSERT_TRUE(WaitFor([&] { return CommandInput()->hasFocus(); }));
    QTest::mouseClick(findText, Qt::LeftButton, {}, findText->rect().center());
    EXPECT_TRUE(findText->hasFocus());
    const QString typedBefore = CommandInput()->text();
    Type("abc");
    EXPECT_EQ(findText->text(), QStringLiteral("abc"));
    EXPECT_EQ(CommandInput()->text(), typedBefore);
}

class SplitView : public testsupport::FrameFixture<testsupport::MultiClientServer>
{
protected:
    TMDIChild *w = nullptr;
    QScrollBar *bar = nullptr;
    ScreenView *view = nullptr;
    QToolButton *lock = nullptr;
    int sent = 0;

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartFrame());
        w = Open();
        ASSERT_TRUE(w);
        bar = w->findChild<QScrollBar *>();
        view = w->findChild<ScreenView *>();
        lock = w->findChild<QToolButton *>(QStringLiteral("SpeedButton1"));
    }

    // `count` more numbered rows from the server; waits until the screen has the last one.
    void SendRows(int count)
    {
        QByteArray text;
        for (int i = 0; i < count; ++i)
            text += "row " + QByteArray::number(sent++) + "\r\n";
        server->sockets[0]->write(text);
        const std::string last = "row " + std::to_string(sent - 1) + "\r";
        ASSERT_TRUE(WaitFor([&] { return testsupport::StoreHolds(*w, last); }, 20000));
    }
    void WheelUp()
    {
        const QPointF at(20, 20);
        QWheelEvent up(at, view->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &up);
    }
    // Whether the lower part's last frame shows a row holding `piece`.
    bool LowerShows(const std::string &piece) const
    {
        for (const std::string &row : w->screen().LowerRows())
            if (row.find(piece) != std::string::npos)
                return true;
        return false;
    }
    std::string LineAtBottom() const
    {
        const auto lines = w->screen().StoreSnapshot();
        const int pos = w->screen().scrollPos();
        return pos >= 0 && pos < int(lines.size()) ? lines[std::size_t(pos)].text : std::string();
    }
};

TEST_F(SplitView, ScrollingBackSplitsAndTheLowerPartShowsWhatArrivesUntilEnd)
{
    SendRows(200);
    ASSERT_TRUE(WaitFor([&] { return bar->maximum() == 200 && bar->value() == 200; }));
    WheelUp();
    EXPECT_TRUE(w->splitOpen());
    EXPECT_EQ(lock->property("tag").toInt(), 0);
    const std::string reading = LineAtBottom();
    EXPECT_EQ(reading, "row 197\r\n"); // three rows a notch

    server->sockets[0]->write("arrived afterwards\r\n");
    ASSERT_TRUE(WaitFor([&] { return LowerShows("arrived afterwards"); }));
    EXPECT_EQ(LineAtBottom(), reading); // the upper part stays where the player reads
    EXPECT_EQ(bar->value(), 197);

    Press(Qt::Key_End);
    EXPECT_FALSE(w->splitOpen());
    EXPECT_EQ(w->screen().scrollPos(), -1);
    EXPECT_EQ(lock->property("tag").toInt(), 1);
    ASSERT_TRUE(WaitFor([&] { return w->screen().LowerRows().empty(); }));

    // Page Up splits as well; a typed command closes the split.
    ASSERT_TRUE(WaitFor([&] { return bar->maximum() == 201 && bar->value() == 201; }));
    Press(Qt::Key_PageUp);
    EXPECT_TRUE(w->splitOpen());
    EXPECT_EQ(w->screen().scrollPos(), 201 - 30);
    TypeLineTo("look", 0);
    EXPECT_FALSE(w->splitOpen());
    EXPECT_EQ(w->screen().scrollPos(), -1);
    EXPECT_EQ(QApplication::focusWidget(), CommandInput());
}

TEST_F(SplitView, SelectionInTheUpperPartStaysThroughAFlood)
{
    SendRows(3000);
    ASSERT_TRUE(WaitFor([&] { return bar->maximum() == 3000 && bar->value() == 3000; }));
    WheelUp();
    WheelUp();
    ASSERT_TRUE(w->splitOpen());
    // Drag over the second and third rows of the upper part.
    const int rowHeight = w->screen().Look().RowHeight();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(1, rowHeight + rowHeight / 2));
    QTest::mouseMove(view, QPoint(view->width() - 2, 2 * rowHeight + rowHeight / 2));
    QTest::mouseRelease(view, Qt::LeftButton, {},
                        QPoint(view->width() - 2, 2 * rowHeight + rowHeight / 2));
    ASSERT_TRUE(WaitFor([&] { return w->screen().SelectedText().size() == 2; }));
    const std::vector<std::string> selected = w->screen().SelectedText();
    const std::string reading = LineAtBottom();

    // Enough to pass the store's line cap: it drops its oldest lines meanwhile.
    SendRows(1000);
    ASSERT_TRUE(WaitFor([&] { return LowerShows("row 3999"); }));
    EXPECT_LT(w->screen().StoreSize(), 3000u);
    EXPECT_EQ(w->screen().SelectedText(), selected);
    EXPECT_EQ(LineAtBottom(), reading);
    EXPECT_TRUE(w->selectionReady());
    w->SessionCommand(session::kCopySelection);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), screen::CopyText(selected));
}

TEST_F(SplitView, SwitchedOffTheViewFreezesAsThePlainScrollLock)
{
    QAction *toggle = nullptr;
    for (QAction *a : ClientArea()->activeSubWindow()->systemMenu()->actions())
        if (a->text() == QStringLiteral("分屏回看"))
            toggle = a;
    ASSERT_TRUE(toggle && toggle->isCheckable() && toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(w->splitView());

    SendRows(100);
    ASSERT_TRUE(WaitFor([&] { return bar->maximum() == 100 && bar->value() == 100; }));
    WheelUp();
    EXPECT_FALSE(w->splitOpen());
    EXPECT_EQ(lock->property("tag").toInt(), 0);
    EXPECT_EQ(w->screen().scrollPos(), 97);
    SendRows(5);
    w->screen().RequestRedraw();
    ASSERT_TRUE(WaitFor([&] { return bar->maximum() == 105; }));
    EXPECT_TRUE(w->screen().LowerRows().empty());
    EXPECT_EQ(bar->value(), 97);
    // The end while stopped shows the end without following it.
    Press(Qt::Key_End);
    EXPECT_EQ(w->screen().scrollPos(), 105);
    EXPECT_EQ(lock->property("tag").toInt(), 0);
    EXPECT_FALSE(w->splitOpen());
}
