// What a player hits after switching windows, walking and pasting, driven
// through the real frame: the first click into the input line after a switch
// keeps the old command selected, Escape and "停止" stop every runner of the
// window (a walk, a hidden line), the frame's caption follows the active
// window however the windows are arranged, and a paste the line cuts says so.
#include "render/GbkCodec.h"
#include "support/FrameFixture.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "ui/session/GameWindow.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabBar>
#include <QTcpSocket>
#include <QTest>
#include <QToolButton>

using session::TMDIChild;

using testsupport::WaitFor;

class SwitchStopAndPaste : public testsupport::FrameFixture<testsupport::MultiClientServer>
{
protected:
    void ClickTab(int index)
    {
        QTabBar *tabs = TabControl1();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
        ASSERT_TRUE(WaitFor([&] { return form->ActiveSession() == sessions()[index]; }));
        ASSERT_TRUE(WaitFor([&] { return QApplication::focusWidget() == CommandInput(); }));
    }
    // A click near the right end of the input line, where the caret would go.
    void ClickLine()
    {
        QLineEdit *line = CommandInput();
        QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(line->width() - 4, line->height() / 2));
    }
    template <class T> T *Child(TMDIChild *w, const char *name)
    {
        return w->findChild<T *>(QString::fromLatin1(name));
    }

    void SetUp() override { StartFrame({}, QSize(800, 500)); }
};

TEST_F(SwitchStopAndPaste, TheFirstClickAfterASwitchKeepsTheLastCommandSelected)
{
    ASSERT_TRUE(Open() && Open());
    ASSERT_TRUE(WaitFor([&] { return QApplication::focusWidget() == CommandInput(); }));
    TypeLineTo("say abc", 1);

    // The first click only gives the keyboard back; the second places the caret.
    ClickTab(0);
    ClickLine();
    ASSERT_EQ(CommandInput()->selectedText(), QStringLiteral("say abc"));
    ClickLine();
    ASSERT_TRUE(!CommandInput()->hasSelectedText());

    // So the answer typed after switching back replaces the old command.
    ClickTab(1);
    ClickLine();
    ASSERT_EQ(CommandInput()->selectedText(), QStringLiteral("say abc"));
    TypeLineTo("look", 1);
    ASSERT_EQ(server->received[1], QByteArray("say abc\nlook\n"));
    // Once typed, a click places the caret at once.
    ClickLine();
    ASSERT_TRUE(!CommandInput()->hasSelectedText());
}

TEST_F(SwitchStopAndPaste, EscapeStopsAWalkWithoutTouchingThePanel)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    w->SetPaths({{"far"}, {"north\r\n#WA 60000\r\nsouth"}});
    QTest::mouseClick(Child<QToolButton>(w, "SpeedButton5"), Qt::LeftButton); // reversed
    auto *list = Child<QListWidget>(w, "ListBox1");
    ASSERT_TRUE(list->isVisible());
    const QPoint row = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
    // Reversed, the walk starts with the way back from its last step.
    ASSERT_TRUE(WaitFor([&] { return server->received[0] == "north\n"; }))
        << server->received[0].constData();
    ASSERT_TRUE(WaitFor([&] { return w->runningCommands() == 1; }));
    ASSERT_EQ(QApplication::focusWidget(), CommandInput());

    // While the walk runs, Escape ends it and nothing else.
    Press(Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return w->runningCommands() == 0; }));
    ASSERT_TRUE(!form->hiddenToTray());
    ASSERT_TRUE(!list->isVisible());
    ASSERT_TRUE(!w->walk().walkForward);
    TypeLineTo("look", 0);
    ASSERT_EQ(server->received[0], QByteArray("north\nlook\n"));

    // With nothing running it hides the program, as ever.
    ASSERT_TRUE(WaitFor([&] { return w->runningCommands() == 0; }));
    Press(Qt::Key_Escape);
    ASSERT_TRUE(form->hiddenToTray());
    form->RestoreFromTray();
}

TEST_F(SwitchStopAndPaste, StopEndsALineSentWhileInputIsHidden)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    server->sockets[0]->write(QByteArray("Password: \xFF\xFB\x01", 13)); // IAC WILL ECHO
    ASSERT_TRUE(WaitFor([&] { return w->inputHidden(); }));
    TypeLine(QStringLiteral("#WA 60000;secret"));
    ASSERT_TRUE(WaitFor([&] { return w->runningCommands() == 1; }));

    // The path panel's "停止", as the player reaches it.
    QTest::mouseClick(Child<QToolButton>(w, "SpeedButton4"), Qt::LeftButton);
    auto *stop = Child<QPushButton>(w, "StopButton");
    ASSERT_TRUE(stop->isVisible());
    QTest::mouseClick(stop, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return w->runningCommands() == 0; }));
    ASSERT_TRUE(!server->received[0].contains("secret"));
}

TEST_F(SwitchStopAndPaste, TheCaptionFollowsTheActiveWindowInEveryArrangement)
{
    ASSERT_TRUE(Open(QStringLiteral("alpha")) && Open(QStringLiteral("beta")));
    struct Step
    {
        const char *label;
        std::function<void()> act;
        QString caption;
    };
    const Step steps[] = {
        {"opened", [] {}, QStringLiteral("Quorvel - [beta]")},
        {"tiled", [&] { form->TileHorizontally(); }, QStringLiteral("Quorvel - [beta]")},
        {"switched", [&] { ClickTab(0); }, QStringLiteral("Quorvel - [alpha]")},
        {"side by side", [&] { form->TileVertically(); }, QStringLiteral("Quorvel - [alpha]")},
        {"cascaded", [&] { form->CascadeWindows(); }, QStringLiteral("Quorvel - [alpha]")},
        {"switched back", [&] { ClickTab(1); }, QStringLiteral("Quorvel - [beta]")},
        {"maximised", [&] { form->SubWindowOf(1)->showMaximized(); },
         QStringLiteral("Quorvel - [beta]")},
        {"named", [&] { TypeLineTo("hero", 1); }, QStringLiteral("Quorvel - [beta]")},
        {"restored", [&] { form->SubWindowOf(1)->showNormal(); },
         QStringLiteral("Quorvel - [beta]")},
        {"closed", [&] { form->CloseActiveWindow(); }, QStringLiteral("Quorvel - [alpha]")},
        {"all closed", [&] { form->CloseActiveWindow(); }, QStringLiteral("Quorvel")},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.label);
        step.act();
        ASSERT_TRUE(WaitFor([&] { return form->windowTitle() == step.caption; }))
            << qPrintable(form->windowTitle());
    }
}

TEST_F(SwitchStopAndPaste, APasteTheLineCutsIsTold)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    ASSERT_TRUE(WaitFor([&] { return QApplication::focusWidget() == CommandInput(); }));
    const QString status = w->statusText();
    const int limit = CommandInput()->maxLength();

    // A text that fits says nothing.
    QApplication::clipboard()->setText(QStringLiteral("look"));
    Press(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(CommandInput()->text(), QStringLiteral("look"));
    ASSERT_EQ(w->statusText(), status);

    QApplication::clipboard()->setText(QString(limit + 100, QLatin1Char('a')));
    CommandInput()->selectAll();
    Press(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(CommandInput()->text().size(), limit);
    ASSERT_TRUE(w->statusText().contains(QString::number(limit))) << qPrintable(w->statusText());
    ASSERT_TRUE(w->statusText().contains(QStringLiteral("粘贴发送")))
        << qPrintable(w->statusText());

    // The next line sent brings the status back.
    CommandInput()->setText(QStringLiteral("look"));
    Press(Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return server->received[0].endsWith("look\n"); }));
    ASSERT_EQ(w->statusText(), status);
}
