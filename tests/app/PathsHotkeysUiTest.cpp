// Paths and hotkeys as the player uses them, against the demo game server: a
// route recorded by walking it, named in the path editor, walked forward,
// reversed and slowly from the path panel, and stopped; a key bound in the
// hotkey editor and pressed in the input line. The server's input log is the
// judge of what was sent, in order.
#include "core/session/SessionCodes.h"
#include "support/FrameFixture.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "ui/session/GameWindow.h"
#include "ui/session/PathEditor.h"
#include "ui/shell/HotkeyEditor.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using session::TMDIChild;

using testsupport::WaitFor;

namespace {

constexpr int kWaitMs = 10000;

} // namespace

class PathsHotkeys : public testsupport::FrameFixture<testsupport::DemoServerProcess>
{
protected:
    TMDIChild *w = nullptr;

    template <class T> T *Child(const char *name)
    {
        return w->findChild<T *>(QString::fromLatin1(name));
    }

    // Types a line and waits for the server to log it (runners keep no order
    // among themselves, so each line is waited for).
    void Send(const QString &text, const QByteArray &logged)
    {
        const qsizetype from = qsizetype(server->LinesFrom(0).size());
        TypeLine(text);
        ASSERT_TRUE(server->WaitForLine(logged, from))
            << qPrintable(QStringLiteral("%1 not logged; active %2, log: %3")
                              .arg(QString::fromLatin1(logged))
                              .arg(QStringLiteral("%1 %2 %3 port %4 text '%5'")
                                       .arg(form->HasActiveSession())
                                       .arg(w->statusText())
                                       .arg(w->runningCommands())
                                       .arg(server->port())
                                       .arg(CommandInput()->text()))
                              .arg(QString::fromLatin1(server->LinesFrom(0).join('|'))));
    }

    // A marker line typed after the action under test: once it is logged,
    // whatever the action would have sent is there too.
    QList<QByteArray> LinesUntilMarker(qsizetype from)
    {
        TypeLine(QStringLiteral("say marker"));
        if (!server->WaitForLine("say marker\n", from))
            return {};
        QList<QByteArray> lines = server->LinesFrom(from);
        lines.removeAll("say marker\n");
        return lines;
    }

    void DoubleClickPath(int row)
    {
        auto *list = Child<QListWidget>("ListBox1");
        ASSERT_TRUE(list->isVisible());
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // Records n, e, "#2 s" and stores the recording as "home".
    void RecordHome()
    {
        QTest::mouseClick(Child<QToolButton>("SpeedButton3"), Qt::LeftButton);
        Send(QStringLiteral("n"), "n\n");
        Send(QStringLiteral("e"), "e\n");
        Send(QStringLiteral("#2 s"), "s\n");
        QTest::mouseClick(Child<QToolButton>("SpeedButton3"), Qt::LeftButton);
        session::TRoadSetting *editor = RoadSetting();
        ASSERT_TRUE(editor->isVisible());
        ASSERT_EQ(editor->Memo1->toPlainText(), QStringLiteral("n\ne\n#2 s\n"));
        QTest::keyClicks(editor->Edit1, QStringLiteral("home"));
        QTest::mouseClick(editor->BitBtn1, Qt::LeftButton);
        QTest::mouseClick(editor->BitBtn5, Qt::LeftButton);
        ASSERT_TRUE(!editor->isVisible());
        ASSERT_EQ(w->paths().pathNames, std::vector<std::string>{"home"});
        ASSERT_EQ(w->paths().pathTexts, std::vector<std::string>{"n\r\ne\r\n#2 s\r\n"});
    }

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartFrame());
        form->OpenGameWindow();
        ASSERT_EQ(sessionCount(), 1);
        w = sessions()[0];
        // Lines typed before the game stream is open go nowhere.
        ASSERT_TRUE(
            WaitFor([&] { return (w->statusText()) == (QStringLiteral("状态:连线")); }, kWaitMs));
        // The first line is the character's name.
        Send(QStringLiteral("tester"), "tester\n");
    }
};

TEST_F(PathsHotkeys, RecordedPathWalksForwardAndBack)
{
    RecordHome();
    auto *panel = Child<QListWidget>("ListBox1")->parentWidget();
    ASSERT_TRUE(!panel->isVisible());

    qsizetype from = qsizetype(server->LinesFrom(0).size());
    QTest::mouseClick(Child<QToolButton>("SpeedButton4"), Qt::LeftButton);
    ASSERT_TRUE(panel->isVisible());
    DoubleClickPath(0);
    ASSERT_TRUE(!panel->isVisible());
    ASSERT_EQ(QApplication::focusWidget(), CommandInput());
    // The walk's lines first; then a marker shows nothing else followed.
    ASSERT_TRUE(server->WaitForCount(from, 4));
    ASSERT_EQ(LinesUntilMarker(from), (QList<QByteArray>{"n\n", "e\n", "s\n", "s\n"}));

    from = qsizetype(server->LinesFrom(0).size());
    QTest::mouseClick(Child<QToolButton>("SpeedButton5"), Qt::LeftButton);
    DoubleClickPath(0);
    ASSERT_TRUE(server->WaitForCount(from, 4));
    ASSERT_EQ(LinesUntilMarker(from), (QList<QByteArray>{"n\n", "n\n", "w\n", "s\n"}));
    ASSERT_TRUE(WaitFor([&] { return (w->runningCommands()) == (0); }));
}

TEST_F(PathsHotkeys, SlowWalkPausesAfterEachLine)
{
    w->SetPaths({{"slow"}, {"look\r\nn\r\ns"}});
    // The delay is set where the player sets it.
    form->OpenDialog(session::kPathEditor);
    RoadSetting()->Edit2->setText(QStringLiteral("400"));
    QTest::mouseClick(RoadSetting()->BitBtn5, Qt::LeftButton);
    ASSERT_EQ(w->walk().slowWalkDelayMs, 400);

    QTest::mouseClick(Child<QToolButton>("SpeedButton4"), Qt::LeftButton);
    auto *speed = Child<QPushButton>("BitBtn1");
    QTest::mouseClick(speed, Qt::LeftButton);
    ASSERT_EQ(speed->text(), QStringLiteral("慢速"));
    const qsizetype from = qsizetype(server->LinesFrom(0).size());
    DoubleClickPath(0);
    ASSERT_TRUE(server->WaitForLine("s\n", from));
    ASSERT_EQ(server->LinesFrom(from), (QList<QByteArray>{"look\n", "n\n", "s\n"}));
    // A generous lower bound only: the log is polled, never an upper one.
    for (qsizetype i = from + 1; i < from + 3; ++i) {
        const qint64 gap = server->times[std::size_t(i)] - server->times[std::size_t(i - 1)];
        ASSERT_TRUE(gap >= 250) << qPrintable(QStringLiteral("gap %1 ms").arg(gap));
    }
    // The toggle reads "快速" again after a second click.
    QTest::mouseClick(Child<QToolButton>("SpeedButton4"), Qt::LeftButton);
    QTest::mouseClick(speed, Qt::LeftButton);
    ASSERT_EQ(speed->text(), QStringLiteral("快速"));
}

TEST_F(PathsHotkeys, StopEndsAWalkStillGoing)
{
    w->SetPaths({{"long"}, {"look;#WA 600000;n;n;n"}});
    const qsizetype from = qsizetype(server->LinesFrom(0).size());
    QTest::mouseClick(Child<QToolButton>("SpeedButton4"), Qt::LeftButton);
    DoubleClickPath(0);
    ASSERT_TRUE(server->WaitForLine("look\n", from));
    ASSERT_TRUE(WaitFor([&] { return (w->runningCommands()) == (1); }));
    QTest::mouseClick(Child<QToolButton>("SpeedButton4"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>("StopButton"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return (w->runningCommands()) == (0); }));
    ASSERT_EQ(LinesUntilMarker(from), QList<QByteArray>{"look\n"});
}

TEST_F(PathsHotkeys, EmptyRecordingSaysSo)
{
    auto *record = Child<QToolButton>("SpeedButton3");
    QTest::mouseClick(record, Qt::LeftButton);
    ASSERT_EQ(record->property("tag").toInt(), 1);
    ASSERT_EQ(record->toolTip(), QStringLiteral("路径纪录(状态：开启)"));
    // Spaces only, and a hotkey: neither counts as a recorded move.
    w->SetHotkeys({{"F6"}, {"look"}});
    QTest::keyClick(CommandInput(), Qt::Key_F6);
    // A blank command goes out as an empty line.
    Send(QStringLiteral("   "), "\n");
    ASSERT_TRUE(server->WaitForLine("look\n"));
    QTest::mouseClick(record, Qt::LeftButton);
    ASSERT_EQ(record->property("tag").toInt(), 0);
    ASSERT_EQ(record->toolTip(), QStringLiteral("路径纪录(状态：关闭)"));
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("没有记录下任何动作")});
    ASSERT_TRUE(!RoadSetting()->isVisible());
}

TEST_F(PathsHotkeys, HotkeyBoundInTheEditorSendsItsTwoLines)
{
    form->OpenDialog(session::kHotkeyEditor);
    shell::TFastKey *editor = FastKey();
    ASSERT_TRUE(editor->isVisible());
    QTest::keyClick(editor->Edit1, Qt::Key_F5);
    ASSERT_EQ(editor->Edit1->text(), QStringLiteral("F5"));
    QTest::keyClicks(editor->Memo1, QStringLiteral("say one"));
    QTest::keyClick(editor->Memo1, Qt::Key_Return);
    QTest::keyClicks(editor->Memo1, QStringLiteral("say two"));
    QTest::mouseClick(editor->BitBtn2, Qt::LeftButton);
    QTest::mouseClick(editor->BitBtn5, Qt::LeftButton);
    ASSERT_TRUE(!editor->isVisible());
    ASSERT_EQ(w->hotkeys().hotkeyCommands, std::vector<std::string>{"say one\r\nsay two"});

    form->activateWindow();
    CommandInput()->setFocus();
    CommandInput()->setText(QStringLiteral("kept"));
    const qsizetype from = qsizetype(server->LinesFrom(0).size());
    const QString caption = w->windowTitle();
    const auto before = history().commandHistory;
    QTest::keyClick(CommandInput(), Qt::Key_F5);
    ASSERT_TRUE(server->WaitForLine("say two\n", from));
    ASSERT_EQ(server->LinesFrom(from), (QList<QByteArray>{"say one\n", "say two\n"}));
    // Not in the history; the line and the caption stay as they were.
    ASSERT_EQ(history().commandHistory, before);
    ASSERT_EQ(CommandInput()->text(), QStringLiteral("kept"));
    ASSERT_EQ(w->windowTitle(), caption);

    // A held key fires again on every repeat the keyboard sends.
    const qsizetype held = qsizetype(server->LinesFrom(0).size());
    for (int i = 0; i < 2; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(CommandInput(), &repeat);
        ASSERT_TRUE(server->WaitForLine("say two\n", held + 2 * i));
    }
    ASSERT_EQ(server->LinesFrom(held).size(), 4);
}

TEST_F(PathsHotkeys, CtrlCInTheInputLineNeverFires)
{
    w->SetHotkeys({{"Ctrl+C", "Shift+Ctrl+C", "Ctrl+c"}, {"say c", "say sc", "say pad"}});
    const qsizetype from = qsizetype(server->LinesFrom(0).size());
    CommandInput()->setFocus();
    QTest::keyClick(CommandInput(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(CommandInput(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(CommandInput(), Qt::Key_3, Qt::ControlModifier | Qt::KeypadModifier);
    ASSERT_EQ(LinesUntilMarker(from), QList<QByteArray>{});
}
