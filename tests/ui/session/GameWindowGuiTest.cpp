// The game window against an in-process game server: typed lines, the hub's
// numbered commands, the name capture, triggers and runners.
#include "core/automation/Triggers.h"
#include "core/session/SessionCodes.h"
#include "render/GbkCodec.h"
#include "support/HookedFrame.h"
#include "support/QtWait.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>

using namespace session;
using testsupport::FakeGameServer;
using testsupport::WaitFor;

namespace {

struct NoticeLog : FrameNoticeSink
{
    std::vector<std::pair<int, int>> notices;
    void FrameNotice(int index, int code) override { notices.emplace_back(index, code); }
};

// A window connected to a fake server, with an input line, as the frame sets it up.
struct Session
{
    FakeGameServer server;
    testsupport::HookedFrame dialogs;
    NoticeLog frame;
    QLineEdit input;
    TMDIChild *w;
    std::vector<std::string> auxLines;

    explicit Session(const QByteArray &greeting = QByteArray())
    {
        server.SetGreeting(greeting);
        dialogs.appendAuxLines = [this](const std::vector<std::string> &lines) {
            auxLines.insert(auxLines.end(), lines.begin(), lines.end());
        };
        w = new TMDIChild(nullptr, "", &dialogs);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->BindToFrame({&input, 4, &frame, "", ""});
        w->resize(600, 300);
        w->show();
        w->Connect({"127.0.0.1", server.port(), false, "", 0, false, "", ""});
        EXPECT_TRUE(WaitFor([this] { return w->statusText() == QStringLiteral("状态:连线"); }));
        EXPECT_TRUE(WaitFor([this] { return server.connected(); }));
    }
    ~Session() { delete w; }

    void Type(const QString &line)
    {
        input.setText(line);
        w->SendTypedLine(gbk::FromQString(line));
    }

    bool StoreHas(const std::string &text)
    {
        for (const auto &l : w->screen().StoreSnapshot())
            if (l.text == text)
                return true;
        return false;
    }
};

} // namespace

TEST(GameWindow, TypedLineReachesTheServerAsLineLfAndShowsAsAnEcho)
{
    Session s;
    s.Type(QStringLiteral("say 你好"));
    const QByteArray expected = QByteArray("say ") + QByteArray("\xC4\xE3\xBA\xC3\n");
    ASSERT_TRUE(WaitFor([&] { return s.server.received == expected; }));
    ASSERT_TRUE(WaitFor([&] { return s.StoreHas("say \xC4\xE3\xBA\xC3\n"); }));
    // The echo comes in the default colours.
    for (const auto &l : s.w->screen().StoreSnapshot())
        if (l.text == "say \xC4\xE3\xBA\xC3\n") {
            EXPECT_EQ(l.attrs, "0001003");
        }
    // The whole line stays selected so typing replaces it.
    EXPECT_EQ(s.input.selectedText(), QStringLiteral("say 你好"));
    EXPECT_TRUE(WaitFor([&] { return s.w->runningCommands() == 0; }));
}

TEST(GameWindow, EmptyEnterSendsOneEmptyLineAndIsRecorded)
{
    Session s;
    QTest::mouseClick(s.w->findChild<QToolButton *>(QStringLiteral("SpeedButton3")),
                      Qt::LeftButton);
    ASSERT_TRUE(s.w->walk().recording);
    s.Type(QString());
    ASSERT_TRUE(WaitFor([&] { return s.server.received == "\n"; }));
    EXPECT_EQ(s.w->walk().recordedPath, "\r\n");
}

TEST(GameWindow, NamePromptArmsTheCaptureAndTheNextLineJoinsTheCaption)
{
    // "请输入你的英文名字：" without a line end.
    Session s(QByteArray("\xC7\xEB\xCA\xE4\xC8\xEB\xC4\xE3\xB5\xC4\xD3\xA2\xCE\xC4\xC3\xFB"
                         "\xD7\xD6\xA3\xBA"));
    ASSERT_TRUE(WaitFor([&] { return s.w->nameCaptureStage() == 1; }));
    s.w->setWindowTitle(QStringLiteral("本地演示"));
    s.Type(QStringLiteral("  tester "));
    EXPECT_EQ(s.w->windowTitle(), QStringLiteral("本地演示(tester)"));
    EXPECT_EQ(s.w->nameCaptureStage(), 2);
    ASSERT_EQ(s.frame.notices.size(), 1u);
    EXPECT_EQ(s.frame.notices[0], std::make_pair(4, int(kCaptionChanged)));
    s.Type(QStringLiteral("look"));
    EXPECT_EQ(s.w->windowTitle(), QStringLiteral("本地演示(tester)"));
}

TEST(GameWindow, NameMarkOnlyCountsOnCharacterBoundaries)
{
    // C3 FB split over a character boundary: "\xB0\xC3" then "\xFB\xA1".
    Session s(QByteArray("\xB0\xC3\xFB\xA1\r\n"));
    ASSERT_TRUE(WaitFor([&] { return s.w->screen().StoreSize() == 1; }));
    EXPECT_EQ(s.w->nameCaptureStage(), 0);
}

TEST(GameWindow, HubCodes)
{
    Session s;
    // 11: the first hotkey whose name equals the pending key name.
    s.w->SetHotkeys({{"F1", "Ctrl+A", "F1"}, {"north", "south", "never"}});
    s.w->FireHotkey("F1");
    s.w->FireHotkey("ctrl+a"); // names are case-sensitive
    ASSERT_TRUE(WaitFor([&] { return s.server.received == "north\n"; }));

    // 18: every third minute with an interval of 3.
    s.server.received.clear();
    s.w->SetKeepAlive({"save", 3, 0, ""});
    for (int minute = 1; minute <= 6; ++minute)
        s.w->SessionCommand(kMinuteTick);
    ASSERT_TRUE(WaitFor([&] { return s.server.received == "save\nsave\n"; }));
    s.w->SetKeepAlive({"save", 0, 0, ""});
    s.w->SessionCommand(kMinuteTick);

    // 19: the hang-up commands.
    s.server.received.clear();
    s.w->SetKeepAlive({"", 0, 0, "save;quit"});
    s.w->SessionCommand(kHangUp);
    ASSERT_TRUE(WaitFor([&] { return s.server.received == "save\nquit\n"; }));

    // 7: the runner count; codes outside 1-20 do nothing.
    ASSERT_TRUE(WaitFor([&] { return s.w->runningCommands() == 0; }));
    s.w->SessionCommand(kRunnerCount, +1);
    EXPECT_EQ(s.w->runningCommands(), 1);
    s.w->SessionCommand(kRunnerCount, -1);
    s.w->SessionCommand(0);
    s.w->SessionCommand(21);
    EXPECT_EQ(s.w->runningCommands(), 0);

    // 13/14: the mirror.
    s.w->SessionCommand(kMirrorOn);
    EXPECT_TRUE(s.w->screen().mirrorOn());
    s.server.Send("mirrored\r\n");
    ASSERT_TRUE(WaitFor([&] { return !s.auxLines.empty(); }));
    EXPECT_EQ(s.auxLines.back(), "mirrored\r\n");
    s.w->SessionCommand(kMirrorOff);
    EXPECT_FALSE(s.w->screen().mirrorOn());
}

TEST(GameWindow, HelpLinesReachTheAuxiliaryWindowInOrder)
{
    Session s;
    s.w->StartCommandRun("#HP one;#HP two;#HP three");
    ASSERT_TRUE(WaitFor([&] { return s.auxLines.size() == 3; }));
    EXPECT_EQ(s.auxLines, (std::vector<std::string>{" one", " two", " three"}));
}

TEST(GameWindow, FiringTriggerRunsItsCommandWithTheCapture)
{
    Session s;
    automation::TriggerTable t;
    t.AddRow(std::string(automation::kTriggerOn),
             gbk::FromQString(QStringLiteral("(*)对你说道：(*)")),
             gbk::FromQString(QStringLiteral("say %1 %0\r\n")), "");
    t.AddRow(" ", " ", " ", "");
    s.w->screen().triggers()->Replace(t);
    s.server.Send(gbk::FromQString(QStringLiteral("小狗对你说道：你好\r\n")).c_str());
    const QByteArray expected =
        QByteArray(gbk::FromQString(QStringLiteral("say 你好 小狗\n")).c_str());
    ASSERT_TRUE(WaitFor([&] { return s.server.received == expected; }));
    // The auto-input button switches the engine off.
    auto *autoButton = s.w->findChildren<QToolButton *>().at(1);
    autoButton->click();
    EXPECT_FALSE(s.w->screen().triggers()->triggersEnabled);
    autoButton->click();
    EXPECT_TRUE(s.w->screen().triggers()->triggersEnabled);
}

TEST(GameWindow, ManyRunnersNeverInterleaveInsideALine)
{
    Session s;
    const int runners = 12, lines = 40;
    for (int r = 0; r < runners; ++r) {
        std::string text;
        for (int i = 0; i < lines; ++i)
            text += "runner" + std::to_string(r) + "-line" + std::to_string(i) + "-payload\r\n";
        s.w->StartCommandRun(text);
    }
    ASSERT_TRUE(WaitFor([&] { return s.server.received.count('\n') == runners * lines; }, 10000))
        << s.server.received.count('\n') << " lines: " << s.server.received.left(300).constData();
    std::vector<int> next(runners, 0);
    for (const QByteArray &line : s.server.received.split('\n')) {
        if (line.isEmpty())
            continue;
        int r = -1, i = -1;
        ASSERT_EQ(std::sscanf(line.constData(), "runner%d-line%d-payload", &r, &i), 2)
            << line.constData();
        ASSERT_TRUE(line.endsWith("-payload"));
        ASSERT_EQ(i, next[r]++) << "runner " << r << " out of order";
    }
    EXPECT_TRUE(WaitFor([&] { return s.w->runningCommands() == 0; }));
}

TEST(GameWindow, RunnerOutlivingItsWindowFinishesQuietly)
{
    auto s = std::make_unique<Session>();
    const std::weak_ptr<automation::TriggerEngine> engine = s->w->triggerEngine();
    s->w->StartCommandRun("#WA 150;late line;#HP late");
    delete s->w;
    s->w = nullptr;
    // The runner wakes, finds its link closed and ends; with the window and its
    // last runner gone, nothing holds its session any more.
    EXPECT_TRUE(WaitFor([&] { return engine.expired(); }));
    EXPECT_FALSE(s->server.received.contains("late line"));
    s->w = new TMDIChild(nullptr, "", &s->dialogs); // the fixture deletes one
}

TEST(GameWindow, ClosedConnectionEchoesWithoutSending)
{
    testsupport::HookedFrame dialogs;
    TMDIChild w(nullptr, "", &dialogs);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.resize(400, 200);
    w.StartCommandRun("look");
    ASSERT_TRUE(WaitFor([&] { return w.screen().StoreSize() == 1; }));
    EXPECT_EQ(w.screen().StoreSnapshot()[0].text, "look\n");
}

TEST(GameWindow, CopyJoinsTheSelectedRowsTrimmed)
{
    Session s;
    s.server.Send("  foo  \r\nbar\r\n");
    ASSERT_TRUE(WaitFor([&] { return s.w->screen().StoreSize() == 2; }));
    ASSERT_TRUE(WaitFor([&] { return s.w->screen().ScreenRowCount() >= 2; }));
    // Drag from the left of row 0 to the far right of row 1.
    QWidget *view = s.w->findChild<ScreenView *>();
    ASSERT_NE(view, nullptr);
    const int rowHeight = s.w->screen().Look().RowHeight();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(0, rowHeight / 2));
    QTest::mouseMove(view, QPoint(590, rowHeight + rowHeight / 2));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(590, rowHeight + rowHeight / 2));
    EXPECT_TRUE(s.w->selectionReady());
    ASSERT_TRUE(WaitFor([&] { return s.w->screen().SelectedText().size() == 2; }));
    s.w->SessionCommand(kCopySelection);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("foo:bar"));
    EXPECT_FALSE(s.w->selectionReady());
    // Selecting froze the view; a typed line returns it to following.
    auto *lock = s.w->findChildren<QToolButton *>().at(0);
    EXPECT_EQ(lock->toolTip(), QStringLiteral("屏幕滚动设置(状态：停止滚动)"));
    s.Type(QStringLiteral("x"));
    EXPECT_EQ(lock->toolTip(), QStringLiteral("屏幕滚动设置(状态：滚动)"));
    EXPECT_EQ(s.w->screen().scrollPos(), -1);
}

TEST(GameWindow, MovingTheBarAwayFromTheEndFreezesTheView)
{
    Session s;
    s.w->SetSplitView(false); // the plain scroll lock
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "line " + std::to_string(i) + "\r\n";
    s.server.Send(many.c_str());
    QScrollBar *bar = s.w->findChild<QScrollBar *>();
    ASSERT_TRUE(WaitFor([&] { return bar->maximum() == 100 && bar->value() == 100; }));
    bar->setValue(40);
    EXPECT_EQ(s.w->screen().scrollPos(), 40);
    auto *lock = s.w->findChildren<QToolButton *>().at(0);
    EXPECT_EQ(lock->property("tag").toInt(), 0);
    // Back at the end while stopped: shown, not followed.
    bar->setValue(100);
    EXPECT_EQ(s.w->screen().scrollPos(), 100);
    lock->click();
    EXPECT_EQ(s.w->screen().scrollPos(), -1);
    EXPECT_EQ(lock->property("tag").toInt(), 1);
}
