// The main frame driven as the player drives it: windows opened through the site
// dialog against an in-process game server, the tabs and the window array kept
// in step with the windows' notices, the input line's keys, the tray and help.
#include "core/session/SessionCodes.h"
#include "render/GbkCodec.h"
#include "support/FrameFixture.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "support/TableRows.h"
#include "ui/platform/SingleInstance.h"
#include "ui/screen/AuxWindow.h"
#include "ui/screen/ColourDialog.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenView.h"
#include "ui/shell/About.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFrame>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

using screen::Ttextwin;

using testsupport::WaitFor;

using namespace session;

class MainFrame : public testsupport::FrameFixture<testsupport::MultiClientServer>
{
protected:
    // Closes the window the frame treats as active and waits for its notice.
    void CloseActive()
    {
        const int before = sessionCount();
        form->CloseActiveWindow();
        ASSERT_TRUE(WaitFor([&] { return (sessionCount()) == (before - 1); }));
    }

    QStringList TabTexts() const
    {
        QStringList texts;
        for (int i = 0; i < TabControl1()->count(); ++i)
            texts << TabControl1()->tabText(i);
        return texts;
    }

    // The array is dense, every window knows its place and its tab says its caption.
    void CheckBookkeeping()
    {
        ASSERT_EQ(TabControl1()->count(), sessionCount());
        for (int i = 0; i < sessionCount(); ++i) {
            ASSERT_TRUE(sessions()[i] != nullptr);
            ASSERT_EQ(sessions()[i]->frameBinding().windowIndex, i);
            ASSERT_EQ(TabControl1()->tabText(i), sessions()[i]->windowTitle());
        }
        for (int i = sessionCount(); i < app::TMainForm::kMaxSessions; ++i) {
            ASSERT_TRUE(sessions()[i] == nullptr);
        }
    }

    void CheckShown(int index)
    {
        ASSERT_EQ(ClientArea()->currentSubWindow(), form->SubWindowOf(index));
        ASSERT_EQ(TabControl1()->currentIndex(), index);
        ASSERT_EQ(form->ActiveSession(), sessions()[index]);
    }

    // Each sent line gets a runner of its own, and runners keep no order among
    // themselves, so a line is waited for before the next one goes.
    void SendAndWait(const QString &text, int connection = 0)
    {
        TypeLine(text);
        const QByteArray line = gbk::FromQString(text).c_str() + QByteArray("\n");
        ASSERT_TRUE(WaitFor([&] { return bool(server->received[connection].endsWith(line)); }));
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(CommandInput(), static_cast<Qt::Key>(key), modifiers);
    }

    // Letters come as key presses; Chinese comes committed by the input method.
    void TypeLine(const QString &text)
    {
        CommandInput()->clear();
        if (text.toLatin1() == text.toUtf8()) {
            QTest::keyClicks(CommandInput(), text);
        } else {
            QInputMethodEvent typed;
            typed.setCommitString(text);
            QApplication::sendEvent(CommandInput(), &typed);
        }
        Key(Qt::Key_Return);
    }

    // Gives a site's window a profile through the toolbar: a background chosen
    // in the colour dialog, something in every collection, then "保存设置".
    TMDIChild *SaveSiteProfile(const QString &site, const QString &path)
    {
        form->askProfileFile = [path](QWidget *, const QString &, bool saving) {
            return saving ? path : QString();
        };
        TMDIChild *w = Open(site);
        if (!w)
            return nullptr;
        ColorForm()->chooseColour = [](QWidget *, QColor) {
            return std::optional<QColor>(QColor(0, 40, 80));
        };
        toolButtons()[6]->click(); // "颜色"
        QTest::mousePress(ColorForm()->Shape[16], Qt::LeftButton);
        ColorForm()->BitBtn1->click();
        automation::TriggerTable table;
        table.AddRow(std::string(automation::kTriggerOn), "(*)hits you", "flee", "FIGHT");
        table.AddRow(" ", " ", " ", " ");
        w->triggerEngine()->Replace(table);
        w->SetHotkeys({{"Alt+1"}, {"kill rat\r\nhp"}});
        w->groups().Replace({"heal"}, {"eat\r\ndrink"});
        w->SetPaths({{"home"}, {"e\r\nn"}});
        toolButtons()[9]->click(); // "保存设置"
        return w;
    }

    static QRgb Corner(TMDIChild *w)
    {
        const QImage &frame = w->findChild<ScreenView *>()->frame();
        return frame.isNull() ? QRgb(1) : frame.pixel(frame.width() - 2, frame.height() - 2);
    }
};

TEST_F(MainFrame, ProgramDirIsTrimmedAndEndsInSlash)
{
    struct Row
    {
        const char *label;
        QString current;
        QString expected;
    };
    const Row rows[] = {
        {"plain", "/home/player/mud", "/home/player/mud/"},
        {"slash kept", "/home/player/mud/", "/home/player/mud/"},
        {"blanks trimmed", " /srv/q \t", "/srv/q/"},
        {"root", "/", "/"},
    };
    for (const Row &row : rows) {
        FRESH_FIXTURE_FOR_ROW(row, rows);
        const auto &[label, current, expected] = row;
        ASSERT_EQ(QString::fromStdString(app::TMainForm::ProgramDirFrom(current.toStdString())),
                  expected);
    }
}

TEST_F(MainFrame, FrameLayout)
{
    ASSERT_EQ(form->windowTitle(), QStringLiteral("Quorvel"));
    ASSERT_EQ(Panel2()->height(), 75);
    ASSERT_EQ(Panel1()->height(), 23);
    ASSERT_EQ(QApplication::focusWidget(), CommandInput());
    const QStringList captions{"连接", "断开", "自动", "辅助窗",   "快捷键",  "命令组",
                               "颜色", "路径", "定时", "保存设置", "读取设置"};
    ASSERT_EQ(int(toolButtons().size()), captions.size());
    int x = -1;
    for (int i = 0; i < captions.size(); ++i) {
        QToolButton *button = toolButtons()[i];
        ASSERT_EQ(button->text(), captions[i]);
        ASSERT_EQ(button->size(), QSize(69, 49));
        ASSERT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        ASSERT_TRUE(!button->icon().isNull());
        ASSERT_TRUE(!button->statusTip().isEmpty());
        ASSERT_TRUE(button->x() > x);
        x = button->x();
    }
    // The tabs lie inside the toolbar, under the buttons.
    ASSERT_EQ(TabControl1()->parentWidget(), Panel2());
    ASSERT_TRUE(TabControl1()->y() >= 49);
    // Input line and tabs follow the bottom panel's width.
    form->resize(900, 500);
    ASSERT_TRUE(WaitFor([&] { return (CommandInput()->width()) == (Panel1()->width() - 4); }));
    ASSERT_EQ(TabControl1()->width(), Panel1()->width() - 8);
}

TEST_F(MainFrame, MenusAsDrawn)
{
    QStringList titles;
    QList<QStringList> entries;
    for (QAction *menu : form->menuBar()->actions()) {
        titles << menu->text();
        QStringList items;
        for (QAction *item : menu->menu()->actions()) {
            items << (item->isSeparator() ? QStringLiteral("-") : item->text());
            // No access keys anywhere, and every entry explains itself.
            ASSERT_TRUE(!item->text().contains(QLatin1Char('&')));
            ASSERT_TRUE(item->isSeparator() || !item->statusTip().isEmpty());
        }
        entries << items;
    }
    ASSERT_EQ(titles, (QStringList{"文件", "设置", "窗口", "帮助"}));
    ASSERT_EQ(entries[0], (QStringList{"新窗口", "关闭窗口", "重新连接", "-", "开始记录…",
                                       "停止记录", "-", "退出"}));
    ASSERT_EQ(entries[1],
              (QStringList{"字体设定", "颜色设定", "辅助窗口", "自动", "快捷键", "路径", "定时",
                           "命令组", "-", "保存设置", "读取设置", "-", "显示/隐藏工具栏"}));
    ASSERT_EQ(entries[2],
              (QStringList{"层叠窗口", "水平平铺", "垂直平铺", "全部最小化", "排列图标"}));
    ASSERT_EQ(entries[3], (QStringList{"帮助", "关于"}));
}

TEST_F(MainFrame, OpenedWindowIsWiredIn)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    ASSERT_EQ(sessionCount(), 1);
    ASSERT_EQ(w->windowTitle(), QStringLiteral("mud"));
    const FrameBinding &bound = w->frameBinding();
    ASSERT_EQ(bound.windowIndex, 0);
    ASSERT_EQ(bound.frameWindow, static_cast<FrameNoticeSink *>(form.get()));
    ASSERT_EQ(bound.inputLine, static_cast<QLineEdit *>(CommandInput()));
    ASSERT_EQ(bound.settingsDir, programDir());
    ASSERT_EQ(bound.siteName, std::string("mud"));
    ASSERT_EQ(TabTexts(), QStringList{"mud"});
    CheckShown(0);
    ASSERT_TRUE(form->SubWindowOf(0)->isMaximized());
    ASSERT_TRUE(WaitFor([&] { return (QApplication::focusWidget()) == (CommandInput()); }));
    // The site dialog was given the program folder and wrote its list there.
    ASSERT_TRUE(QFile::exists(dir->filePath("Quorvel.ini")));
}

TEST_F(MainFrame, SiteNameWinsOverCaption)
{
    TMDIChild *w = Open(QStringLiteral("江湖"));
    ASSERT_TRUE(w);
    ASSERT_EQ(w->windowTitle(), QStringLiteral("江湖"));
    ASSERT_EQ(w->frameBinding().siteName, gbk::FromQString(QStringLiteral("江湖")));
    ASSERT_EQ(TabTexts(), QStringList{"江湖"});
}

TEST_F(MainFrame, SiteWithoutANameOpensNoWindow)
{
    // The dialog refuses to store a site without a name; no window opens.
    next = testsupport::SiteChoice{};
    next.name = QStringLiteral("  ");
    form->OpenGameWindow();
    ASSERT_EQ(dialogRuns, 1);
    ASSERT_EQ(sessionCount(), 0);
    ASSERT_TRUE(TabTexts().isEmpty());
    ASSERT_EQ(messages.size(), std::size_t(1));
    ASSERT_TRUE(Open());
    ASSERT_EQ(sessionCount(), 1);
    CheckBookkeeping();
}

TEST_F(MainFrame, ClosingTheMiddleWindowMovesTheRightOneDown)
{
    TMDIChild *first = Open(QStringLiteral("one"));
    TMDIChild *second = Open(QStringLiteral("two"));
    TMDIChild *third = Open(QStringLiteral("three"));
    ASSERT_TRUE(first && second && third);
    // The player picks the middle tab and closes its window.
    TabControl1()->setCurrentIndex(1);
    CheckShown(1);
    ASSERT_EQ(form->ActiveSession(), second);
    CloseActive();
    ASSERT_EQ(sessions()[0], first);
    ASSERT_EQ(sessions()[1], third);
    ASSERT_EQ(third->frameBinding().windowIndex, 1);
    ASSERT_EQ(TabTexts(), (QStringList{"one", "three"}));
    CheckBookkeeping();
    CheckShown(1);
}

TEST_F(MainFrame, ClosingTheRightmostShowsItsLeftNeighbour)
{
    ASSERT_TRUE(Open(QStringLiteral("a")) && Open(QStringLiteral("b")) &&
                Open(QStringLiteral("c")));
    CheckShown(2);
    CloseActive();
    ASSERT_EQ(TabTexts(), (QStringList{"a", "b"}));
    CheckShown(1);
    CloseActive();
    CheckShown(0);
    CloseActive();
    ASSERT_EQ(TabControl1()->count(), 0);
    ASSERT_TRUE(form->ActiveSession() == nullptr);
    CheckBookkeeping();
    // With no window the close does nothing.
    form->CloseActiveWindow();
    ASSERT_EQ(sessionCount(), 0);
}

TEST_F(MainFrame, ClosingByItsOwnFrameIsTheSame)
{
    ASSERT_TRUE(Open(QStringLiteral("a")) && Open(QStringLiteral("b")) &&
                Open(QStringLiteral("c")));
    // The player closes the first window with its own close button.
    form->SubWindowOf(0)->close();
    ASSERT_TRUE(WaitFor([&] { return (sessionCount()) == (2); }));
    ASSERT_EQ(TabTexts(), (QStringList{"b", "c"}));
    CheckBookkeeping();
    CheckShown(0);
}

TEST_F(MainFrame, CancelledSiteDialogChangesNothing)
{
    shell::ClockSettings clock = form->clock().settings();
    clock.keepAliveEnabled = true;
    clock.keepAliveMinutes = 5;
    clock.keepAliveCommand = "save";
    form->clock().TakeOver(clock);
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    ASSERT_EQ(w->keepAlive().keepAliveMinutes, 5);
    w->SetKeepAlive({"save", 9, 0, ""});
    next = testsupport::SiteChoice{};
    next.confirm = false;
    form->OpenGameWindow();
    ASSERT_EQ(dialogRuns, 2);
    ASSERT_EQ(sessionCount(), 1);
    ASSERT_EQ(TabTexts(), QStringList{"mud"});
    ASSERT_EQ(w->keepAlive().keepAliveMinutes, 9);
    ASSERT_EQ(ClientArea()->subWindowList().size(), 1);
}

TEST_F(MainFrame, KeepAliveIsCopiedOnlyForAllWindows)
{
    shell::ClockSettings clock = form->clock().settings();
    clock.keepAliveEnabled = true;
    clock.keepAliveAllWindows = false;
    clock.keepAliveMinutes = 3;
    clock.keepAliveCommand = "look";
    form->clock().TakeOver(clock);
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    ASSERT_EQ(w->keepAlive().keepAliveMinutes, 0);
    ASSERT_TRUE(w->keepAlive().keepAliveCommand.empty());
    shell::ClockSettings all = clock;
    all.keepAliveAllWindows = true;
    form->clock().TakeOver(all);
    TMDIChild *v = Open();
    ASSERT_TRUE(v);
    ASSERT_EQ(v->keepAlive().keepAliveMinutes, 3);
    ASSERT_EQ(v->keepAlive().keepAliveCommand, std::string("look"));
}

TEST_F(MainFrame, TheFortyFirstWindowIsRefused)
{
    for (int i = 0; i < app::TMainForm::kMaxSessions; ++i) {
        ASSERT_TRUE(Open()) << qPrintable(QString::number(i));
    }
    ASSERT_EQ(sessionCount(), 40);
    const int runs = dialogRuns;
    const auto connections = server->sockets.size();
    next.port = server->port();
    form->OpenGameWindow();
    ASSERT_EQ(messages.size(), std::size_t(1));
    ASSERT_TRUE(messages[0].text.contains(QStringLiteral("40")));
    // Nothing else: no dialog, no window, no tab, no connection.
    ASSERT_EQ(dialogRuns, runs);
    ASSERT_EQ(sessionCount(), 40);
    ASSERT_EQ(TabControl1()->count(), 40);
    ASSERT_EQ(ClientArea()->subWindowList().size(), 40);
    ASSERT_EQ(server->sockets.size(), connections);
    // After one is closed the next is taken again, and it is the only
    // connection made since the refusal.
    CloseActive();
    ASSERT_TRUE(Open());
    ASSERT_EQ(server->sockets.size(), connections + 1);
    ASSERT_EQ(sessionCount(), 40);
    CheckBookkeeping();
}

TEST_F(MainFrame, TabSelectionShowsItsWindow)
{
    ASSERT_TRUE(Open() && Open() && Open());
    TabControl1()->setCurrentIndex(0);
    CheckShown(0);
    TabControl1()->setCurrentIndex(2);
    CheckShown(2);
}

TEST_F(MainFrame, ActivatingAWindowSelectsItsTab)
{
    ASSERT_TRUE(Open() && Open());
    // Activation reaches the frame as notice 3 from the window.
    ClientArea()->setActiveSubWindow(form->SubWindowOf(0));
    ASSERT_EQ(TabControl1()->currentIndex(), 0);
    ASSERT_EQ(textwin()->currentSession(), sessions()[0]);
    ASSERT_TRUE(WaitFor([&] { return (QApplication::focusWidget()) == (CommandInput()); }));
}

TEST_F(MainFrame, CapturedNameMovesToTheTab)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    server->sockets[0]->write(gbk::FromQString(QStringLiteral("请输入你的名字：")).c_str());
    ASSERT_TRUE(WaitFor([&] { return (w->nameCaptureStage()) == (1); }));
    TypeLine(QStringLiteral("  hero "));
    ASSERT_EQ(w->windowTitle(), QStringLiteral("mud(hero)"));
    ASSERT_EQ(TabTexts(), QStringList{"mud(hero)"});
}

TEST_F(MainFrame, EnterSendsTheLineAndKeepsHistory)
{
    ASSERT_TRUE(Open());
    QByteArray &got = server->received[0];
    SendAndWait(QStringLiteral("look"));
    SendAndWait(QStringLiteral("north"));
    SendAndWait(QStringLiteral("你好"));
    SendAndWait(QStringLiteral("get all"));
    Key(Qt::Key_Return); // the line stays selected and is sent again
    const QByteArray expected = QByteArray("look\nnorth\n") +
                                gbk::FromQString(QStringLiteral("你好")).c_str() +
                                "\nget all\nget all\n";
    ASSERT_TRUE(WaitFor([&] { return (got) == (expected); }));
    // "look" and the two characters are short; "get all" once.
    ASSERT_EQ(history().commandHistory, (std::vector<std::string>{"north", "get all"}));
    ASSERT_EQ(CommandInput()->selectedText(), QStringLiteral("get all"));
    // Up recalls, and Enter sends the recalled line.
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    ASSERT_EQ(CommandInput()->text(), QStringLiteral("north"));
    Key(Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return bool(got.endsWith("get all\nnorth\n")); }));
    ASSERT_EQ(history().commandHistory, (std::vector<std::string>{"get all", "north"}));
    ASSERT_EQ(history().historyPos, 0);
}

TEST_F(MainFrame, UpAndDownWalkTheHistory)
{
    struct Row
    {
        const char *label;
        int modifiers;
    };
    const Row rows[] = {
        {"plain", int(Qt::NoModifier)},
        {"shift", int(Qt::ShiftModifier)},
        {"ctrl", int(Qt::ControlModifier)},
    };
    for (const Row &row : rows) {
        FRESH_FIXTURE_FOR_ROW(row, rows);
        const auto &[label, modifiers] = row;
        const auto mods = Qt::KeyboardModifiers(modifiers);
        TMDIChild *w = Open();
        ASSERT_TRUE(w);
        w->SetHotkeys({{"&", "(", "Shift+&", "Ctrl+&"}, {"bad", "bad", "bad", "bad"}});
        for (const char *line : {"entry1", "entry2", "entry3"})
            SendAndWait(QString::fromLatin1(line));
        ASSERT_TRUE(WaitFor(
            [&] { return (server->received[0]) == (QByteArray("entry1\nentry2\nentry3\n")); }));
        const QByteArray sent = server->received[0];
        struct Step
        {
            int key;
            QString text;
        };
        const Step steps[] = {
            {Qt::Key_Up, "entry3"},   {Qt::Key_Up, "entry2"},   {Qt::Key_Up, "entry1"},
            {Qt::Key_Up, "entry1"},   {Qt::Key_Down, "entry1"}, {Qt::Key_Down, "entry2"},
            {Qt::Key_Down, "entry3"}, {Qt::Key_Down, ""},       {Qt::Key_Down, ""},
            {Qt::Key_Up, "entry3"},
        };
        for (const Step &step : steps) {
            Key(step.key, mods);
            ASSERT_EQ(CommandInput()->text(), step.text);
            if (!step.text.isEmpty() && step.text != QStringLiteral("entry1")) {
                ASSERT_EQ(CommandInput()->selectedText(), step.text);
            }
        }
        // Up and Down are never offered to the hotkeys: a line sent after them
        // arrives alone.
        CommandInput()->setText(QStringLiteral("marker"));
        Key(Qt::Key_Return);
        ASSERT_TRUE(WaitFor([&] { return bool(server->received[0].endsWith("marker\n")); }));
        ASSERT_EQ(server->received[0], sent + "marker\n");
    }
}

TEST_F(MainFrame, OtherKeysAreOfferedToTheHotkeys)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    w->SetHotkeys({{"Ctrl+K", "F:", "Shift+", "A"}, {"kill rat", "flee", "shifted", "ay"}});
    QTest::keyClick(CommandInput(), Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return (server->received[0]) == (QByteArray("kill rat\n")); }));
    QTest::keyClick(CommandInput(), Qt::Key_F10);
    ASSERT_TRUE(WaitFor([&] { return (server->received[0]) == (QByteArray("kill rat\nflee\n")); }));
    // A plain letter fires nothing here but is typed into the line.
    CommandInput()->clear();
    QTest::keyClick(CommandInput(), Qt::Key_A);
    ASSERT_EQ(CommandInput()->text(), QStringLiteral("a"));
    ASSERT_TRUE(
        WaitFor([&] { return (server->received[0]) == (QByteArray("kill rat\nflee\nay\n")); }));
    // Shift pressed on its own is a key too.
    QTest::keyPress(CommandInput(), Qt::Key_Shift);
    ASSERT_TRUE(WaitFor(
        [&] { return (server->received[0]) == (QByteArray("kill rat\nflee\nay\nshifted\n")); }));
    QTest::keyRelease(CommandInput(), Qt::Key_Shift);
    // Enter offers its own (empty) name before the line goes.
    w->SetHotkeys({{""}, {"empty name"}});
    CommandInput()->setText(QStringLiteral("say hi"));
    Key(Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return bool(server->received[0].contains("say hi\n")); }));
    ASSERT_TRUE(WaitFor([&] { return bool(server->received[0].contains("empty name\n")); }));
}

TEST_F(MainFrame, KeysWithoutAWindowDoNothing)
{
    QTest::keyClicks(CommandInput(), QStringLiteral("north"));
    Key(Qt::Key_Return);
    ASSERT_EQ(CommandInput()->text(), QStringLiteral("north"));
    ASSERT_TRUE(history().commandHistory.empty());
    history().commandHistory = {"older", "newer"};
    Key(Qt::Key_Up);
    ASSERT_EQ(history().historyPos, 0);
    ASSERT_EQ(CommandInput()->text(), QStringLiteral("north"));
}

TEST_F(MainFrame, CtrlCCopiesTheLineWithoutAScreenSelection)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    CommandInput()->setText(QStringLiteral("abc def"));
    CommandInput()->setSelection(4, 3);
    QTest::keyClick(CommandInput(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(QApplication::clipboard()->text(), QStringLiteral("def"));
    ASSERT_TRUE(!w->selectionReady());
}

TEST_F(MainFrame, CtrlCCopiesTheScreenSelection)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    server->sockets[0]->write("hello world\n");
    auto *view = w->findChild<ScreenView *>();
    ASSERT_TRUE(view);
    ASSERT_TRUE(WaitFor(
        [&] { return bool(w->screen().StoreSize() > 0 && w->screen().ScreenRowCount() > 0); }));
    // The player drags across the top row, where the line stands.
    const QPoint end(view->width() - 2, 4);
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(1, 4));
    QTest::mouseMove(view, end);
    QTest::mouseRelease(view, Qt::LeftButton, {}, end);
    ASSERT_TRUE(w->selectionReady());
    ASSERT_TRUE(WaitFor([&] { return bool(!w->screen().SelectedText().empty()); }));
    CommandInput()->setText(QStringLiteral("typed"));
    CommandInput()->selectAll();
    QTest::keyClick(CommandInput(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello world"));
    ASSERT_TRUE(!w->selectionReady());
    // The caret went to the end with nothing selected.
    ASSERT_TRUE(!CommandInput()->hasSelectedText());
    ASSERT_EQ(CommandInput()->cursorPosition(), 5);
    // A second Ctrl+C has no screen selection left: the line's own copy.
    CommandInput()->selectAll();
    QTest::keyClick(CommandInput(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(QApplication::clipboard()->text(), QStringLiteral("typed"));
}

TEST_F(MainFrame, EscapeHidesAndDoubleClickRestores)
{
    ASSERT_TRUE(Open() && Open());
    form->ShowAuxWindow();
    ASSERT_TRUE(textwin()->isVisible());
    Key(Qt::Key_Escape);
    ASSERT_TRUE(!form->isVisible());
    ASSERT_TRUE(tray->shown);
    ASSERT_TRUE(!textwin()->isVisible());
    ASSERT_TRUE(auxWasVisible());
    tray->onDoubleClick();
    ASSERT_TRUE(form->isVisible());
    ASSERT_TRUE(!tray->shown);
    ASSERT_TRUE(textwin()->isVisible());
    ASSERT_EQ(sessionCount(), 2);
    ASSERT_TRUE(WaitFor([&] { return (QApplication::focusWidget()) == (CommandInput()); }));
    // Hidden without the auxiliary window: it stays hidden.
    textwin()->hide();
    Key(Qt::Key_Escape);
    ASSERT_TRUE(!auxWasVisible());
    tray->onDoubleClick();
    ASSERT_TRUE(form->isVisible());
    ASSERT_TRUE(!textwin()->isVisible());
}

TEST_F(MainFrame, EscapeHidesAlsoWithoutAWindow)
{
    Key(Qt::Key_Escape);
    ASSERT_TRUE(!form->isVisible());
    ASSERT_TRUE(tray->shown);
    form->RestoreFromTray();
    ASSERT_TRUE(form->isVisible());
}

TEST_F(MainFrame, WithoutANotificationAreaTheFrameMinimises)
{
    tray->available = false;
    ASSERT_TRUE(Open());
    Key(Qt::Key_Escape);
    ASSERT_TRUE(!tray->shown);
    ASSERT_TRUE(form->isMinimized());
    ASSERT_TRUE(form->hiddenToTray());
    // Coming back from the taskbar is the restore.
    form->showNormal();
    ASSERT_TRUE(WaitFor([&] { return bool(!form->hiddenToTray()); }));
    ASSERT_TRUE(form->isVisible());
}

TEST_F(MainFrame, AuxWindowFollowsTheWindows)
{
    Ttextwin *aux = textwin();
    form->ShowAuxWindow(); // also with no window
    ASSERT_TRUE(aux->isVisible());
    ASSERT_TRUE(aux->syncSession() == nullptr);
    ASSERT_TRUE(Open() && Open());
    form->ShowAuxWindow();
    ASSERT_EQ(aux->syncSession(), sessions()[1]);
    aux->BitBtn4Click();
    ASSERT_EQ(aux->BitBtn4->text(), QStringLiteral("停止同步"));
    // Any window closing stops the sync and clears both links.
    TabControl1()->setCurrentIndex(0);
    CloseActive();
    ASSERT_EQ(aux->BitBtn4->text(), QStringLiteral("同步接收"));
    ASSERT_TRUE(WaitFor([&] {
        return bool(aux->syncSession() == nullptr || aux->syncSession() == sessions()[0]);
    }));
    // Lines a window hands out land in the auxiliary window.
    form->AppendAuxLines({"mirrored line"});
    ASSERT_EQ(aux->lines().back(), std::string("mirrored line"));
}

TEST_F(MainFrame, ToolbarHidesWithItsTabs)
{
    ASSERT_TRUE(Open());
    ToolbarAction()->trigger();
    ASSERT_TRUE(!Panel2()->isVisible());
    ASSERT_TRUE(!TabControl1()->isVisible());
    // The tabs keep following the windows while hidden.
    ASSERT_TRUE(Open(QStringLiteral("two")));
    ASSERT_EQ(TabTexts(), (QStringList{"mud", "two"}));
    ToolbarAction()->trigger();
    ASSERT_TRUE(TabControl1()->isVisible());
}

TEST_F(MainFrame, WindowMenuListsAndArranges)
{
    ASSERT_TRUE(Open(QStringLiteral("a")) && Open(QStringLiteral("b")) &&
                Open(QStringLiteral("c")));
    emit WindowMenu()->aboutToShow();
    QStringList listed;
    QAction *first = nullptr;
    for (QAction *item : WindowMenu()->actions()) {
        if (item->isCheckable()) {
            listed << item->text();
            if (!first)
                first = item;
        }
    }
    ASSERT_EQ(listed, (QStringList{"1 a", "2 b", "3 c"}));
    first->trigger();
    CheckShown(0);

    const QRect area = ClientArea()->viewport()->rect();
    form->TileHorizontally();
    for (int i = 0; i < 3; ++i) {
        const QRect g = form->SubWindowOf(i)->geometry();
        ASSERT_EQ(g.width(), area.width());
        ASSERT_EQ(g.top(), area.height() * i / 3);
    }
    form->TileVertically();
    for (int i = 0; i < 3; ++i) {
        const QRect g = form->SubWindowOf(i)->geometry();
        ASSERT_EQ(g.height(), area.height());
        ASSERT_EQ(g.left(), area.width() * i / 3);
    }
    form->MinimizeAll();
    int right = -1;
    for (int i = 0; i < 3; ++i) {
        QMdiSubWindow *window = form->SubWindowOf(i);
        ASSERT_TRUE(window->isMinimized());
        // Lined up along the bottom, left to right.
        ASSERT_EQ(window->geometry().bottom(), area.height() - 1);
        ASSERT_TRUE(window->x() > right);
        right = window->geometry().right();
    }
    form->CascadeWindows();
    ASSERT_EQ(sessionCount(), 3);
}

TEST_F(MainFrame, HelpTriesProgramFolderFirst)
{
    const QStringList candidates =
        platform::HelpFileCandidates(QFile::decodeName(programDir().c_str()));
    ASSERT_EQ(candidates.first(), dir->filePath("HELP.HLP"));
    ASSERT_EQ(candidates.value(1), QCoreApplication::applicationDirPath() + "/HELP.HLP");
    help->readable = candidates.value(1);
    form->ShowHelp();
    ASSERT_EQ(help->tried, candidates.mid(0, 2));
    ASSERT_TRUE(messages.empty());
    help->readable.clear();
    help->tried.clear();
    form->ShowHelp();
    ASSERT_EQ(help->tried, candidates);
    ASSERT_EQ(messages.size(), std::size_t(1));
    ASSERT_EQ(messages[0].text, QStringLiteral("无法打开帮助文件"));
    ASSERT_EQ(messages[0].icon, platform::MessageIcon::Stop);
}

TEST_F(MainFrame, HelpFileOpensInTheBrowser)
{
    const QString source =
        qEnvironmentVariable("QUORVEL_TEST_DATA") + QStringLiteral("/../../data/HELP.HLP");
    ASSERT_TRUE(QFile::exists(source));
    platform::TextBrowserHelp viewer;
    ASSERT_TRUE(!viewer.Show(dir->filePath("missing/HELP.HLP")));
    ASSERT_TRUE(viewer.Show(source));
    QTextBrowser *window = viewer.window();
    ASSERT_TRUE(window && window->isVisible());
    const QString text = window->toPlainText();
    // It explains the program's features, in Chinese.
    for (const char *topic : {"连接游戏", "Socks5", "历史命令", "辅助窗口", "(*)", "%0", "命令组",
                              "#WA", "#T+", "#T-", "#CI", "#CS", "#HP", "#SL", "#FA", "#3 north"})
        ASSERT_TRUE(text.contains(QString::fromUtf8(topic))) << topic;
}

TEST_F(MainFrame, AboutBoxIsModelessAndOnTop)
{
    form->ShowAbout();
    shell::TAboutBox *about = AboutBox();
    ASSERT_TRUE(about->isVisible());
    ASSERT_TRUE(!about->isModal());
    ASSERT_EQ(about->windowTitle(), QStringLiteral("Quorvel"));
    ASSERT_EQ(about->size(), QSize(204, 219));
    ASSERT_TRUE(about->windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_EQ(about->Version->text(), QStringLiteral("版本：0.6"));
    ASSERT_EQ(about->OKButton->text(), QStringLiteral("确定"));
    // The frame still takes input while it is shown.
    ASSERT_TRUE(Open());
    about->OKButton->click();
    ASSERT_TRUE(!about->isVisible());
}

TEST_F(MainFrame, SecondCopyIsRefused)
{
    const QString lock = dir->filePath("instance.lock");
    platform::LockFileInstance first(lock);
    platform::LockFileInstance second(lock);
    ASSERT_TRUE(platform::EnsureSingleInstance(first));
    ASSERT_TRUE(messages.empty());
    ASSERT_TRUE(!platform::EnsureSingleInstance(second));
    ASSERT_EQ(messages.size(), std::size_t(1));
    ASSERT_EQ(messages[0].text, QStringLiteral("程序已经在运行中!"));
    ASSERT_EQ(messages[0].icon, platform::MessageIcon::Stop);
    // A lock left by a copy that has ended does not count.
    platform::LockFileInstance *gone = new platform::LockFileInstance(lock + "2");
    ASSERT_TRUE(gone->TryAcquire());
    delete gone;
    platform::LockFileInstance after(lock + "2");
    ASSERT_TRUE(after.TryAcquire());
}

TEST_F(MainFrame, SavedProfileIsRememberedForItsSite)
{
    const QString path = dir->filePath("jianghu.qvl");
    TMDIChild *first = SaveSiteProfile(QStringLiteral("江湖"), path);
    ASSERT_TRUE(first);
    ASSERT_TRUE(messages.empty());
    ASSERT_EQ(first->profilePath(), QFile::encodeName(path).toStdString());
    QFile ini(dir->filePath("Quorvel.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    ASSERT_TRUE(ini.readAll().contains("profile=" + QFile::encodeName(path) + "\r\n"));

    TMDIChild *second = Open(QStringLiteral("江湖"));
    ASSERT_TRUE(second);
    ASSERT_TRUE(messages.empty());
    ASSERT_EQ(second->profilePath(), first->profilePath());
    const automation::TriggerTable a = first->triggerEngine()->Snapshot();
    const automation::TriggerTable b = second->triggerEngine()->Snapshot();
    ASSERT_EQ(b.triggerPatterns, a.triggerPatterns);
    ASSERT_EQ(b.triggerCommands, a.triggerCommands);
    ASSERT_EQ(b.triggerGroups, a.triggerGroups);
    ASSERT_EQ(b.triggerEnabled, a.triggerEnabled);
    ASSERT_EQ(second->hotkeys().hotkeyCommands, first->hotkeys().hotkeyCommands);
    ASSERT_EQ(second->groups().Snapshot().groupContents, first->groups().Snapshot().groupContents);
    ASSERT_EQ(second->paths().pathTexts, first->paths().pathTexts);
    ASSERT_EQ(second->look().bgPalette, first->look().bgPalette);
    ASSERT_TRUE(WaitFor([&] { return (Corner(second)) == (qRgb(0, 40, 80)); }));
}

TEST_F(MainFrame, UnreadableProfileStillConnects)
{
    const QString path = dir->filePath("jianghu.qvl");
    ASSERT_TRUE(SaveSiteProfile(QStringLiteral("江湖"), path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("this is not a profile\r\n");
    file.close();
    TMDIChild *w = Open(QStringLiteral("江湖")); // waits for the server to have it
    ASSERT_TRUE(w);
    ASSERT_EQ(messages.size(), std::size_t(1));
    ASSERT_EQ(messages[0].text, QStringLiteral("不是Quorvel配置文件！无法读取."));
    ASSERT_EQ(w->directions().forwardDirections.size(), std::size_t(17));
    ASSERT_TRUE(w->paths().pathNames.empty());
    ASSERT_TRUE(WaitFor([&] { return (Corner(w)) == (qRgb(0, 0, 0)); }));
    SendAndWait(QStringLiteral("look"), 1);
}
