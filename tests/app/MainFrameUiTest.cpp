// The main frame driven as the player drives it: windows opened through the site
// dialog against an in-process game server, the tabs and the window array kept
// in step with the windows' notices, the input line's keys, the tray and help.
#include "MainFrame.h"
#include "core/session/SessionCodes.h"
#include "render/GbkCodec.h"
#include "ui/platform/HelpViewer.h"
#include "ui/platform/SingleInstance.h"
#include "ui/platform/SystemMessage.h"
#include "ui/platform/Tray.h"
#include "ui/screen/AuxWindow.h"
#include "ui/screen/ColourDialog.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenView.h"
#include "ui/shell/About.h"
#include "ui/sites/SiteDialog.h"

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
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

using namespace session;

namespace {

// The notification area, without a desktop.
class FakeTray : public platform::NotificationTray
{
public:
    bool available = true;
    bool shown = false;
    bool IsAvailable() const override { return available; }
    void Show() override { shown = true; }
    void Hide() override { shown = false; }
    bool IsShown() const override { return shown; }
};

// A help viewer that shows only the one file it is told exists.
class FakeHelp : public platform::HelpViewer
{
public:
    QString readable;
    QStringList tried;
    bool Show(const QString &path) override
    {
        tried << path;
        return path == readable;
    }
};

// The game server: takes every connection and keeps what each one sent.
class GameServer : public QObject
{
public:
    GameServer()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                const int index = static_cast<int>(sockets.size());
                sockets.push_back(socket);
                received.emplace_back();
                QObject::connect(socket, &QTcpSocket::readyRead, this,
                                 [this, socket, index] { received[index] += socket->readAll(); });
            }
        });
    }
    int port() const { return server.serverPort(); }

    QTcpServer server;
    std::vector<QTcpSocket *> sockets;
    std::vector<QByteArray> received;
};

// What the player does in the site dialog next.
struct SiteChoice
{
    bool confirm = true;
    QString name = QStringLiteral("mud");
    QString address = QStringLiteral("127.0.0.1");
    int port = 0;
};

struct Message
{
    QString text;
    platform::MessageIcon icon;
};

} // namespace

class MainFormUiTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<GameServer> server;
    std::unique_ptr<TMainForm> form;
    FakeTray *tray = nullptr;
    FakeHelp *help = nullptr;
    SiteChoice next;
    int dialogRuns = 0;
    std::vector<Message> messages;

    // Opens a window through the site dialog and waits until the server has it.
    TMDIChild *Open(const QString &name = QStringLiteral("mud"))
    {
        next = SiteChoice{};
        next.name = name;
        next.port = server->port();
        const std::size_t before = server->sockets.size();
        form->OpenGameWindow();
        if (!QTest::qWaitFor([&] { return server->sockets.size() > before; }, 5000))
            return nullptr;
        return form->sessions[form->sessionCount - 1];
    }

    // Closes the window the frame treats as active and waits for its notice.
    void CloseActive()
    {
        const int before = form->sessionCount;
        form->CloseActiveWindow();
        QTRY_COMPARE(form->sessionCount, before - 1);
    }

    QStringList TabTexts() const
    {
        QStringList texts;
        for (int i = 0; i < form->TabControl1->count(); ++i)
            texts << form->TabControl1->tabText(i);
        return texts;
    }

    // The array is dense, every window knows its place and its tab says its caption.
    void CheckBookkeeping()
    {
        QCOMPARE(form->TabControl1->count(), form->sessionCount);
        for (int i = 0; i < form->sessionCount; ++i) {
            QVERIFY(form->sessions[i] != nullptr);
            QCOMPARE(form->sessions[i]->frameBinding().windowIndex, i);
            QCOMPARE(form->TabControl1->tabText(i), form->sessions[i]->windowTitle());
        }
        for (int i = form->sessionCount; i < TMainForm::kMaxSessions; ++i)
            QVERIFY(form->sessions[i] == nullptr);
    }

    void CheckShown(int index)
    {
        QCOMPARE(form->ClientArea->currentSubWindow(), form->SubWindowOf(index));
        QCOMPARE(form->TabControl1->currentIndex(), index);
        QCOMPARE(form->ActiveSession(), form->sessions[index]);
    }

    // Each sent line gets a runner of its own, and runners keep no order among
    // themselves, so a line is waited for before the next one goes.
    void SendAndWait(const QString &text, int connection = 0)
    {
        TypeLine(text);
        const QByteArray line = gbk::FromQString(text).c_str() + QByteArray("\n");
        QTRY_VERIFY(server->received[connection].endsWith(line));
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(form->CommandInput, static_cast<Qt::Key>(key), modifiers);
    }

    // Letters come as key presses; Chinese comes committed by the input method.
    void TypeLine(const QString &text)
    {
        form->CommandInput->clear();
        if (text.toLatin1() == text.toUtf8()) {
            QTest::keyClicks(form->CommandInput, text);
        } else {
            QInputMethodEvent typed;
            typed.setCommitString(text);
            QApplication::sendEvent(form->CommandInput, &typed);
        }
        Key(Qt::Key_Return);
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        server = std::make_unique<GameServer>();
        QVERIFY(server->server.isListening());
        messages.clear();
        dialogRuns = 0;
        platform::SetMessagePresenter(
            [this](QWidget *, const QString &text, platform::MessageIcon icon) {
                messages.push_back({text, icon});
            });

        TMainForm::Services services;
        auto fakeTray = std::make_unique<FakeTray>();
        auto fakeHelp = std::make_unique<FakeHelp>();
        tray = fakeTray.get();
        help = fakeHelp.get();
        services.tray = std::move(fakeTray);
        services.help = std::move(fakeHelp);
        // The site dialog is filled in and confirmed or cancelled as the
        // player would, without running it modally.
        services.runSiteDialog = [this](TBookMark &dialog) {
            ++dialogRuns;
            dialog.show();
            if (!next.confirm) {
                dialog.BitBtn2Click();
                return;
            }
            // The name after the address, which would otherwise copy it.
            dialog.getAddress->setText(next.address);
            dialog.getName->setText(next.name);
            dialog.getPort->setText(QString::number(next.port));
            dialog.BitBtn1Click();
        };
        form = std::make_unique<TMainForm>(QFile::encodeName(dir->path()).toStdString(),
                                           std::move(services));
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }

    void cleanup()
    {
        form.reset();
        server.reset();
        dir.reset();
        platform::SetMessagePresenter({});
    }

    void programDirIsTrimmedAndEndsInSlash_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "/home/player/mud"
                               << "/home/player/mud/";
        QTest::newRow("slash kept") << "/home/player/mud/"
                                    << "/home/player/mud/";
        QTest::newRow("blanks trimmed") << "  /srv/q \t"
                                        << "/srv/q/";
        QTest::newRow("root") << "/"
                              << "/";
    }
    void programDirIsTrimmedAndEndsInSlash()
    {
        QFETCH(QString, current);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(TMainForm::ProgramDirFrom(current.toStdString())),
                 expected);
    }

    void frameLayout()
    {
        QCOMPARE(form->windowTitle(), QStringLiteral("Quorvel"));
        QCOMPARE(form->Panel2->height(), 75);
        QCOMPARE(form->Panel1->height(), 23);
        QCOMPARE(QApplication::focusWidget(), form->CommandInput);
        const QStringList captions{"连接", "断开", "自动", "辅助窗",   "快捷键",  "命令组",
                                   "颜色", "路径", "定时", "保存设置", "读取设置"};
        QCOMPARE(int(form->toolButtons.size()), captions.size());
        int x = -1;
        for (int i = 0; i < captions.size(); ++i) {
            QToolButton *button = form->toolButtons[i];
            QCOMPARE(button->text(), captions[i]);
            QCOMPARE(button->size(), QSize(69, 49));
            QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
            QVERIFY(!button->icon().isNull());
            QVERIFY(!button->statusTip().isEmpty());
            QVERIFY(button->x() > x);
            x = button->x();
        }
        // The tabs lie inside the toolbar, under the buttons.
        QCOMPARE(form->TabControl1->parentWidget(), form->Panel2);
        QVERIFY(form->TabControl1->y() >= 49);
        // Input line and tabs follow the bottom panel's width.
        form->resize(900, 500);
        QTRY_COMPARE(form->CommandInput->width(), form->Panel1->width() - 4);
        QCOMPARE(form->TabControl1->width(), form->Panel1->width() - 8);
    }

    void menusAsDrawn()
    {
        QStringList titles;
        QList<QStringList> entries;
        for (QAction *menu : form->menuBar()->actions()) {
            titles << menu->text();
            QStringList items;
            for (QAction *item : menu->menu()->actions()) {
                items << (item->isSeparator() ? QStringLiteral("-") : item->text());
                // No access keys anywhere, and every entry explains itself.
                QVERIFY(!item->text().contains(QLatin1Char('&')));
                QVERIFY(item->isSeparator() || !item->statusTip().isEmpty());
            }
            entries << items;
        }
        QCOMPARE(titles, (QStringList{"文件", "设置", "窗口", "帮助"}));
        QCOMPARE(entries[0], (QStringList{"新窗口", "关闭窗口", "重新连接", "退出"}));
        QCOMPARE(entries[1],
                 (QStringList{"字体设定", "颜色设定", "辅助窗口", "自动", "快捷键", "路径", "定时",
                              "命令组", "-", "保存设置", "读取设置", "-", "显示/隐藏工具栏"}));
        QCOMPARE(entries[2],
                 (QStringList{"层叠窗口", "水平平铺", "垂直平铺", "全部最小化", "排列图标"}));
        QCOMPARE(entries[3], (QStringList{"帮助", "关于"}));
    }

    void openedWindowIsWiredIn()
    {
        TMDIChild *w = Open();
        QVERIFY(w);
        QCOMPARE(form->sessionCount, 1);
        QCOMPARE(w->windowTitle(), QStringLiteral("mud"));
        const FrameBinding &bound = w->frameBinding();
        QCOMPARE(bound.windowIndex, 0);
        QCOMPARE(bound.frameWindow, static_cast<FrameNoticeSink *>(form.get()));
        QCOMPARE(bound.inputLine, static_cast<QLineEdit *>(form->CommandInput));
        QCOMPARE(bound.settingsDir, form->programDir);
        QCOMPARE(bound.siteName, std::string("mud"));
        QCOMPARE(TabTexts(), QStringList{"mud"});
        CheckShown(0);
        QVERIFY(form->SubWindowOf(0)->isMaximized());
        QTRY_COMPARE(QApplication::focusWidget(), form->CommandInput);
        // The site dialog was given the program folder and wrote its list there.
        QVERIFY(QFile::exists(dir->filePath("Quorvel.ini")));
    }

    void siteNameWinsOverCaption()
    {
        TMDIChild *w = Open(QStringLiteral("江湖"));
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("江湖"));
        QCOMPARE(w->frameBinding().siteName, gbk::FromQString(QStringLiteral("江湖")));
        QCOMPARE(TabTexts(), QStringList{"江湖"});
    }

    void siteWithoutANameOpensNoWindow()
    {
        // The dialog refuses to store a site without a name; no window opens.
        next = SiteChoice{};
        next.name = QStringLiteral("  ");
        form->OpenGameWindow();
        QCOMPARE(dialogRuns, 1);
        QCOMPARE(form->sessionCount, 0);
        QVERIFY(TabTexts().isEmpty());
        QCOMPARE(messages.size(), std::size_t(1));
        QVERIFY(Open());
        QCOMPARE(form->sessionCount, 1);
        CheckBookkeeping();
    }

    void closingTheMiddleWindowMovesTheRightOneDown()
    {
        TMDIChild *first = Open(QStringLiteral("one"));
        TMDIChild *second = Open(QStringLiteral("two"));
        TMDIChild *third = Open(QStringLiteral("three"));
        QVERIFY(first && second && third);
        // The player picks the middle tab and closes its window.
        form->TabControl1->setCurrentIndex(1);
        CheckShown(1);
        QCOMPARE(form->ActiveSession(), second);
        CloseActive();
        QCOMPARE(form->sessions[0], first);
        QCOMPARE(form->sessions[1], third);
        QCOMPARE(third->frameBinding().windowIndex, 1);
        QCOMPARE(TabTexts(), (QStringList{"one", "three"}));
        CheckBookkeeping();
        CheckShown(1);
    }

    void closingTheRightmostShowsItsLeftNeighbour()
    {
        QVERIFY(Open(QStringLiteral("a")) && Open(QStringLiteral("b")) &&
                Open(QStringLiteral("c")));
        CheckShown(2);
        CloseActive();
        QCOMPARE(TabTexts(), (QStringList{"a", "b"}));
        CheckShown(1);
        CloseActive();
        CheckShown(0);
        CloseActive();
        QCOMPARE(form->TabControl1->count(), 0);
        QVERIFY(form->ActiveSession() == nullptr);
        CheckBookkeeping();
        // With no window the close does nothing.
        form->CloseActiveWindow();
        QCOMPARE(form->sessionCount, 0);
    }

    void closingByItsOwnFrameIsTheSame()
    {
        QVERIFY(Open(QStringLiteral("a")) && Open(QStringLiteral("b")) &&
                Open(QStringLiteral("c")));
        // The player closes the first window with its own close button.
        form->SubWindowOf(0)->close();
        QTRY_COMPARE(form->sessionCount, 2);
        QCOMPARE(TabTexts(), (QStringList{"b", "c"}));
        CheckBookkeeping();
        CheckShown(0);
    }

    void cancelledSiteDialogChangesNothing()
    {
        shell::ClockSettings clock = form->clock().settings();
        clock.keepAliveEnabled = true;
        clock.keepAliveMinutes = 5;
        clock.keepAliveCommand = "save";
        form->clock().TakeOver(clock);
        TMDIChild *w = Open();
        QVERIFY(w);
        QCOMPARE(w->keepAlive().keepAliveMinutes, 5);
        w->SetKeepAlive({"save", 9, 0, ""});
        next = SiteChoice{};
        next.confirm = false;
        form->OpenGameWindow();
        QCOMPARE(dialogRuns, 2);
        QCOMPARE(form->sessionCount, 1);
        QCOMPARE(TabTexts(), QStringList{"mud"});
        QCOMPARE(w->keepAlive().keepAliveMinutes, 9);
        QCOMPARE(form->ClientArea->subWindowList().size(), 1);
    }

    void keepAliveIsCopiedOnlyForAllWindows()
    {
        shell::ClockSettings clock = form->clock().settings();
        clock.keepAliveEnabled = true;
        clock.keepAliveAllWindows = false;
        clock.keepAliveMinutes = 3;
        clock.keepAliveCommand = "look";
        form->clock().TakeOver(clock);
        TMDIChild *w = Open();
        QVERIFY(w);
        QCOMPARE(w->keepAlive().keepAliveMinutes, 0);
        QVERIFY(w->keepAlive().keepAliveCommand.empty());
        shell::ClockSettings all = clock;
        all.keepAliveAllWindows = true;
        form->clock().TakeOver(all);
        TMDIChild *v = Open();
        QVERIFY(v);
        QCOMPARE(v->keepAlive().keepAliveMinutes, 3);
        QCOMPARE(v->keepAlive().keepAliveCommand, std::string("look"));
    }

    void theFortyFirstWindowIsRefused()
    {
        for (int i = 0; i < TMainForm::kMaxSessions; ++i)
            QVERIFY2(Open(), qPrintable(QString::number(i)));
        QCOMPARE(form->sessionCount, 40);
        const int runs = dialogRuns;
        const auto connections = server->sockets.size();
        next.port = server->port();
        form->OpenGameWindow();
        QCOMPARE(messages.size(), std::size_t(1));
        QVERIFY(messages[0].text.contains(QStringLiteral("40")));
        // Nothing else: no dialog, no window, no tab, no connection.
        QCOMPARE(dialogRuns, runs);
        QCOMPARE(form->sessionCount, 40);
        QCOMPARE(form->TabControl1->count(), 40);
        QCOMPARE(form->ClientArea->subWindowList().size(), 40);
        QCOMPARE(server->sockets.size(), connections);
        // After one is closed the next is taken again, and it is the only
        // connection made since the refusal.
        CloseActive();
        QVERIFY(Open());
        QCOMPARE(server->sockets.size(), connections + 1);
        QCOMPARE(form->sessionCount, 40);
        CheckBookkeeping();
    }

    void tabSelectionShowsItsWindow()
    {
        QVERIFY(Open() && Open() && Open());
        form->TabControl1->setCurrentIndex(0);
        CheckShown(0);
        form->TabControl1->setCurrentIndex(2);
        CheckShown(2);
    }

    void activatingAWindowSelectsItsTab()
    {
        QVERIFY(Open() && Open());
        // Activation reaches the frame as notice 3 from the window.
        form->ClientArea->setActiveSubWindow(form->SubWindowOf(0));
        QCOMPARE(form->TabControl1->currentIndex(), 0);
        QCOMPARE(form->textwin->currentSession(), form->sessions[0]);
        QTRY_COMPARE(QApplication::focusWidget(), form->CommandInput);
    }

    void capturedNameMovesToTheTab()
    {
        TMDIChild *w = Open();
        QVERIFY(w);
        server->sockets[0]->write(gbk::FromQString(QStringLiteral("请输入你的名字：")).c_str());
        QTRY_COMPARE(w->nameCaptureStage(), 1);
        TypeLine(QStringLiteral("  hero "));
        QCOMPARE(w->windowTitle(), QStringLiteral("mud(hero)"));
        QCOMPARE(TabTexts(), QStringList{"mud(hero)"});
    }

    void enterSendsTheLineAndKeepsHistory()
    {
        QVERIFY(Open());
        QByteArray &got = server->received[0];
        SendAndWait(QStringLiteral("look"));
        SendAndWait(QStringLiteral("north"));
        SendAndWait(QStringLiteral("你好"));
        SendAndWait(QStringLiteral("get all"));
        Key(Qt::Key_Return); // the line stays selected and is sent again
        const QByteArray expected = QByteArray("look\nnorth\n") +
                                    gbk::FromQString(QStringLiteral("你好")).c_str() +
                                    "\nget all\nget all\n";
        QTRY_COMPARE(got, expected);
        // "look" and the two characters are short; "get all" once.
        QCOMPARE(form->history.commandHistory, (std::vector<std::string>{"north", "get all"}));
        QCOMPARE(form->CommandInput->selectedText(), QStringLiteral("get all"));
        // Up recalls, and Enter sends the recalled line.
        Key(Qt::Key_Up);
        Key(Qt::Key_Up);
        QCOMPARE(form->CommandInput->text(), QStringLiteral("north"));
        Key(Qt::Key_Return);
        QTRY_VERIFY(got.endsWith("get all\nnorth\n"));
        QCOMPARE(form->history.commandHistory, (std::vector<std::string>{"get all", "north"}));
        QCOMPARE(form->history.historyPos, 0);
    }

    void upAndDownWalkTheHistory_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::newRow("plain") << int(Qt::NoModifier);
        QTest::newRow("shift") << int(Qt::ShiftModifier);
        QTest::newRow("ctrl") << int(Qt::ControlModifier);
    }
    void upAndDownWalkTheHistory()
    {
        QFETCH(int, modifiers);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        TMDIChild *w = Open();
        QVERIFY(w);
        w->SetHotkeys({{"&", "(", "Shift+&", "Ctrl+&"}, {"bad", "bad", "bad", "bad"}});
        for (const char *line : {"entry1", "entry2", "entry3"})
            SendAndWait(QString::fromLatin1(line));
        QTRY_COMPARE(server->received[0], QByteArray("entry1\nentry2\nentry3\n"));
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
            QCOMPARE(form->CommandInput->text(), step.text);
            if (!step.text.isEmpty() && step.text != QStringLiteral("entry1"))
                QCOMPARE(form->CommandInput->selectedText(), step.text);
        }
        // Up and Down are never offered to the hotkeys: a line sent after them
        // arrives alone.
        form->CommandInput->setText(QStringLiteral("marker"));
        Key(Qt::Key_Return);
        QTRY_VERIFY(server->received[0].endsWith("marker\n"));
        QCOMPARE(server->received[0], sent + "marker\n");
    }

    void otherKeysAreOfferedToTheHotkeys()
    {
        TMDIChild *w = Open();
        QVERIFY(w);
        w->SetHotkeys({{"Ctrl+K", "F:", "Shift+", "A"}, {"kill rat", "flee", "shifted", "ay"}});
        QTest::keyClick(form->CommandInput, Qt::Key_K, Qt::ControlModifier);
        QTRY_COMPARE(server->received[0], QByteArray("kill rat\n"));
        QTest::keyClick(form->CommandInput, Qt::Key_F10);
        QTRY_COMPARE(server->received[0], QByteArray("kill rat\nflee\n"));
        // A plain letter fires nothing here but is typed into the line.
        form->CommandInput->clear();
        QTest::keyClick(form->CommandInput, Qt::Key_A);
        QCOMPARE(form->CommandInput->text(), QStringLiteral("a"));
        QTRY_COMPARE(server->received[0], QByteArray("kill rat\nflee\nay\n"));
        // Shift pressed on its own is a key too.
        QTest::keyPress(form->CommandInput, Qt::Key_Shift);
        QTRY_COMPARE(server->received[0], QByteArray("kill rat\nflee\nay\nshifted\n"));
        QTest::keyRelease(form->CommandInput, Qt::Key_Shift);
        // Enter offers its own (empty) name before the line goes.
        w->SetHotkeys({{""}, {"empty name"}});
        form->CommandInput->setText(QStringLiteral("say hi"));
        Key(Qt::Key_Return);
        QTRY_VERIFY(server->received[0].contains("say hi\n"));
        QTRY_VERIFY(server->received[0].contains("empty name\n"));
    }

    void keysWithoutAWindowDoNothing()
    {
        QTest::keyClicks(form->CommandInput, QStringLiteral("north"));
        Key(Qt::Key_Return);
        QCOMPARE(form->CommandInput->text(), QStringLiteral("north"));
        QVERIFY(form->history.commandHistory.empty());
        form->history.commandHistory = {"older", "newer"};
        Key(Qt::Key_Up);
        QCOMPARE(form->history.historyPos, 0);
        QCOMPARE(form->CommandInput->text(), QStringLiteral("north"));
    }

    void ctrlCCopiesTheLineWithoutAScreenSelection()
    {
        TMDIChild *w = Open();
        QVERIFY(w);
        QApplication::clipboard()->setText(QStringLiteral("before"));
        form->CommandInput->setText(QStringLiteral("abc def"));
        form->CommandInput->setSelection(4, 3);
        QTest::keyClick(form->CommandInput, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("def"));
        QVERIFY(!w->selectionReady());
    }

    void ctrlCCopiesTheScreenSelection()
    {
        TMDIChild *w = Open();
        QVERIFY(w);
        server->sockets[0]->write("hello world\n");
        auto *view = w->findChild<ScreenView *>();
        QVERIFY(view);
        QTRY_VERIFY(w->screen().StoreSize() > 0 && w->screen().ScreenRowCount() > 0);
        // The player drags across the top row, where the line stands.
        const QPoint end(view->width() - 2, 4);
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(1, 4));
        QTest::mouseMove(view, end);
        QTest::mouseRelease(view, Qt::LeftButton, {}, end);
        QVERIFY(w->selectionReady());
        QTRY_VERIFY(!w->screen().SelectedText().empty());
        form->CommandInput->setText(QStringLiteral("typed"));
        form->CommandInput->selectAll();
        QTest::keyClick(form->CommandInput, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("hello world"));
        QVERIFY(!w->selectionReady());
        // The caret went to the end with nothing selected.
        QVERIFY(!form->CommandInput->hasSelectedText());
        QCOMPARE(form->CommandInput->cursorPosition(), 5);
        // A second Ctrl+C has no screen selection left: the line's own copy.
        form->CommandInput->selectAll();
        QTest::keyClick(form->CommandInput, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("typed"));
    }

    void escapeHidesAndDoubleClickRestores()
    {
        QVERIFY(Open() && Open());
        form->ShowAuxWindow();
        QVERIFY(form->textwin->isVisible());
        Key(Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QVERIFY(tray->shown);
        QVERIFY(!form->textwin->isVisible());
        QVERIFY(form->auxWasVisible);
        tray->onDoubleClick();
        QVERIFY(form->isVisible());
        QVERIFY(!tray->shown);
        QVERIFY(form->textwin->isVisible());
        QCOMPARE(form->sessionCount, 2);
        QTRY_COMPARE(QApplication::focusWidget(), form->CommandInput);
        // Hidden without the auxiliary window: it stays hidden.
        form->textwin->hide();
        Key(Qt::Key_Escape);
        QVERIFY(!form->auxWasVisible);
        tray->onDoubleClick();
        QVERIFY(form->isVisible());
        QVERIFY(!form->textwin->isVisible());
    }

    void escapeHidesAlsoWithoutAWindow()
    {
        Key(Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QVERIFY(tray->shown);
        form->RestoreFromTray();
        QVERIFY(form->isVisible());
    }

    void withoutANotificationAreaTheFrameMinimises()
    {
        tray->available = false;
        QVERIFY(Open());
        Key(Qt::Key_Escape);
        QVERIFY(!tray->shown);
        QVERIFY(form->isMinimized());
        QVERIFY(form->hiddenToTray());
        // Coming back from the taskbar is the restore.
        form->showNormal();
        QTRY_VERIFY(!form->hiddenToTray());
        QVERIFY(form->isVisible());
    }

    void auxWindowFollowsTheWindows()
    {
        Ttextwin *aux = form->textwin;
        form->ShowAuxWindow(); // also with no window
        QVERIFY(aux->isVisible());
        QVERIFY(aux->syncSession() == nullptr);
        QVERIFY(Open() && Open());
        form->ShowAuxWindow();
        QCOMPARE(aux->syncSession(), form->sessions[1]);
        aux->BitBtn4Click();
        QCOMPARE(aux->BitBtn4->text(), QStringLiteral("停止同步"));
        // Any window closing stops the sync and clears both links.
        form->TabControl1->setCurrentIndex(0);
        CloseActive();
        QCOMPARE(aux->BitBtn4->text(), QStringLiteral("同步接收"));
        QTRY_VERIFY(aux->syncSession() == nullptr || aux->syncSession() == form->sessions[0]);
        // Lines a window hands out land in the auxiliary window.
        form->sessionDialogs.appendAuxLines({"mirrored line"});
        QCOMPARE(aux->lines().back(), std::string("mirrored line"));
    }

    void toolbarHidesWithItsTabs()
    {
        QVERIFY(Open());
        form->ToolbarAction->trigger();
        QVERIFY(!form->Panel2->isVisible());
        QVERIFY(!form->TabControl1->isVisible());
        // The tabs keep following the windows while hidden.
        QVERIFY(Open(QStringLiteral("two")));
        QCOMPARE(TabTexts(), (QStringList{"mud", "two"}));
        form->ToolbarAction->trigger();
        QVERIFY(form->TabControl1->isVisible());
    }

    void windowMenuListsAndArranges()
    {
        QVERIFY(Open(QStringLiteral("a")) && Open(QStringLiteral("b")) &&
                Open(QStringLiteral("c")));
        emit form->WindowMenu->aboutToShow();
        QStringList listed;
        QAction *first = nullptr;
        for (QAction *item : form->WindowMenu->actions()) {
            if (item->isCheckable()) {
                listed << item->text();
                if (!first)
                    first = item;
            }
        }
        QCOMPARE(listed, (QStringList{"1 a", "2 b", "3 c"}));
        first->trigger();
        CheckShown(0);

        const QRect area = form->ClientArea->viewport()->rect();
        form->TileHorizontally();
        for (int i = 0; i < 3; ++i) {
            const QRect g = form->SubWindowOf(i)->geometry();
            QCOMPARE(g.width(), area.width());
            QCOMPARE(g.top(), area.height() * i / 3);
        }
        form->TileVertically();
        for (int i = 0; i < 3; ++i) {
            const QRect g = form->SubWindowOf(i)->geometry();
            QCOMPARE(g.height(), area.height());
            QCOMPARE(g.left(), area.width() * i / 3);
        }
        form->MinimizeAll();
        int right = -1;
        for (int i = 0; i < 3; ++i) {
            QMdiSubWindow *window = form->SubWindowOf(i);
            QVERIFY(window->isMinimized());
            // Lined up along the bottom, left to right.
            QCOMPARE(window->geometry().bottom(), area.height() - 1);
            QVERIFY(window->x() > right);
            right = window->geometry().right();
        }
        form->CascadeWindows();
        QCOMPARE(form->sessionCount, 3);
    }

    void helpTriesProgramFolderFirst()
    {
        const QStringList candidates =
            platform::HelpFileCandidates(QFile::decodeName(form->programDir.c_str()));
        QCOMPARE(candidates.first(), dir->filePath("HELP.HLP"));
        QCOMPARE(candidates.value(1), QCoreApplication::applicationDirPath() + "/HELP.HLP");
        help->readable = candidates.value(1);
        form->ShowHelp();
        QCOMPARE(help->tried, candidates.mid(0, 2));
        QVERIFY(messages.empty());
        help->readable.clear();
        help->tried.clear();
        form->ShowHelp();
        QCOMPARE(help->tried, candidates);
        QCOMPARE(messages.size(), std::size_t(1));
        QCOMPARE(messages[0].text, QStringLiteral("无法打开帮助文件"));
        QCOMPARE(messages[0].icon, platform::MessageIcon::Stop);
    }

    void helpFileOpensInTheBrowser()
    {
        const QString source =
            qEnvironmentVariable("QUORVEL_TEST_DATA") + QStringLiteral("/../../data/HELP.HLP");
        QVERIFY(QFile::exists(source));
        platform::TextBrowserHelp viewer;
        QVERIFY(!viewer.Show(dir->filePath("missing/HELP.HLP")));
        QVERIFY(viewer.Show(source));
        QTextBrowser *window = viewer.window();
        QVERIFY(window && window->isVisible());
        const QString text = window->toPlainText();
        // It explains the program's features, in Chinese.
        for (const char *topic :
             {"连接游戏", "Socks5", "历史命令", "辅助窗口", "(*)", "%0", "命令组", "#WA", "#T+",
              "#T-", "#CI", "#CS", "#HP", "#SL", "#FA", "#3 north"})
            QVERIFY2(text.contains(QString::fromUtf8(topic)), topic);
    }

    void aboutBoxIsModelessAndOnTop()
    {
        form->ShowAbout();
        TAboutBox *about = form->AboutBox;
        QVERIFY(about->isVisible());
        QVERIFY(!about->isModal());
        QCOMPARE(about->windowTitle(), QStringLiteral("Quorvel"));
        QCOMPARE(about->size(), QSize(204, 219));
        QVERIFY(about->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(about->Version->text(), QStringLiteral("版本：0.6"));
        QCOMPARE(about->OKButton->text(), QStringLiteral("确定"));
        // The frame still takes input while it is shown.
        QVERIFY(Open());
        about->OKButton->click();
        QVERIFY(!about->isVisible());
    }

    void secondCopyIsRefused()
    {
        const QString lock = dir->filePath("instance.lock");
        platform::LockFileInstance first(lock);
        platform::LockFileInstance second(lock);
        QVERIFY(platform::EnsureSingleInstance(first));
        QVERIFY(messages.empty());
        QVERIFY(!platform::EnsureSingleInstance(second));
        QCOMPARE(messages.size(), std::size_t(1));
        QCOMPARE(messages[0].text, QStringLiteral("程序已经在运行中!"));
        QCOMPARE(messages[0].icon, platform::MessageIcon::Stop);
        // A lock left by a copy that has ended does not count.
        platform::LockFileInstance *gone = new platform::LockFileInstance(lock + "2");
        QVERIFY(gone->TryAcquire());
        delete gone;
        platform::LockFileInstance after(lock + "2");
        QVERIFY(after.TryAcquire());
    }
    // Gives a site's window a profile through the toolbar: a background chosen
    // in the colour dialog, something in every collection, then "保存设置".
    TMDIChild *SaveSiteProfile(const QString &site, const QString &path)
    {
        form->sessionDialogs.profileFileDialog = [path](QWidget *, const QString &, bool saving) {
            return saving ? path : QString();
        };
        TMDIChild *w = Open(site);
        if (!w)
            return nullptr;
        form->ColorForm->chooseColour = [](QWidget *, QColor) {
            return std::optional<QColor>(QColor(0, 40, 80));
        };
        form->toolButtons[6]->click(); // "颜色"
        QTest::mousePress(form->ColorForm->Shape[16], Qt::LeftButton);
        form->ColorForm->BitBtn1->click();
        automation::TriggerTable table;
        table.AddRow(std::string(automation::kTriggerOn), "(*)hits you", "flee", "FIGHT");
        table.AddRow(" ", " ", " ", " ");
        w->triggerEngine()->Replace(table);
        w->SetHotkeys({{"Alt+1"}, {"kill rat\r\nhp"}});
        w->groups().Replace({"heal"}, {"eat\r\ndrink"});
        w->SetPaths({{"home"}, {"e\r\nn"}});
        form->toolButtons[9]->click(); // "保存设置"
        return w;
    }

    static QRgb Corner(TMDIChild *w)
    {
        const QImage &frame = w->findChild<ScreenView *>()->frame();
        return frame.isNull() ? QRgb(1) : frame.pixel(frame.width() - 2, frame.height() - 2);
    }

    // Notice 5 after a save makes the site list remember the file; the next
    // window opened for the site loads it and draws with its colours.
    void savedProfileIsRememberedForItsSite()
    {
        const QString path = dir->filePath("jianghu.qvl");
        TMDIChild *first = SaveSiteProfile(QStringLiteral("江湖"), path);
        QVERIFY(first);
        QVERIFY(messages.empty());
        QCOMPARE(first->profilePath(), QFile::encodeName(path).toStdString());
        QFile ini(dir->filePath("Quorvel.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("profile=" + QFile::encodeName(path) + "\r\n"));

        TMDIChild *second = Open(QStringLiteral("江湖"));
        QVERIFY(second);
        QVERIFY(messages.empty());
        QCOMPARE(second->profilePath(), first->profilePath());
        const automation::TriggerTable a = first->triggerEngine()->Snapshot();
        const automation::TriggerTable b = second->triggerEngine()->Snapshot();
        QCOMPARE(b.triggerPatterns, a.triggerPatterns);
        QCOMPARE(b.triggerCommands, a.triggerCommands);
        QCOMPARE(b.triggerGroups, a.triggerGroups);
        QCOMPARE(b.triggerEnabled, a.triggerEnabled);
        QCOMPARE(second->hotkeys().hotkeyCommands, first->hotkeys().hotkeyCommands);
        QCOMPARE(second->groups().Snapshot().groupContents,
                 first->groups().Snapshot().groupContents);
        QCOMPARE(second->paths().pathTexts, first->paths().pathTexts);
        QCOMPARE(second->look().bgPalette, first->look().bgPalette);
        QTRY_COMPARE(Corner(second), qRgb(0, 40, 80));
    }

    void unreadableProfileStillConnects()
    {
        const QString path = dir->filePath("jianghu.qvl");
        QVERIFY(SaveSiteProfile(QStringLiteral("江湖"), path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("this is not a profile\r\n");
        file.close();
        TMDIChild *w = Open(QStringLiteral("江湖")); // waits for the server to have it
        QVERIFY(w);
        QCOMPARE(messages.size(), std::size_t(1));
        QCOMPARE(messages[0].text, QStringLiteral("不是Quorvel配置文件！无法读取."));
        QCOMPARE(w->directions().forwardDirections.size(), std::size_t(17));
        QVERIFY(w->paths().pathNames.empty());
        QTRY_COMPARE(Corner(w), qRgb(0, 0, 0));
        SendAndWait(QStringLiteral("look"), 1);
    }
};

QTEST_MAIN(MainFormUiTest)
#include "MainFrameUiTest.moc"
