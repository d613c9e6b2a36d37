// The auxiliary window and the paste sender driven against real game windows
// that are never connected.
#include "core/session/SessionCodes.h"
#include "support/FakeSessionPort.h"
#include "ui/platform/SystemMessage.h"
#include "ui/screen/AuxWindow.h"
#include "ui/screen/PasteSender.h"
#include "ui/session/GameWindow.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Lines = std::vector<std::string>;

const QString kStartSync = QStringLiteral("同步接收");
const QString kStopSync = QStringLiteral("停止同步");

// Stands in for the main frame: closing a game window resets the switch.
struct FrameStandIn : FrameNoticeSink
{
    Ttextwin *aux = nullptr;
    void FrameNotice(int, int code) override
    {
        if (code == session::kWindowDestroyed && aux)
            aux->ResetSync();
    }
};

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

bool StoreHas(TMDIChild &w, const std::string &text)
{
    for (const auto &line : w.screen().StoreSnapshot())
        if (line.text.find(text) != std::string::npos)
            return true;
    return false;
}

} // namespace

class AuxWindowUiTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void mirrorSwitchFollowsTheWindowItWasSwitchedOnFor();
    void mirrorSwitchWithoutLinksDoesNothing();
    void mirrorOnUsesSyncSessionWhenNoneIsCurrent();
    void mirrorOffReachesTheMirroredWindowAfterSyncSessionMoved();
    void mirroredLinesReachTheWindow();
    void closingAWindowResetsTheSwitch();
    void closingTheMirroredWindowIsSafe();
    void readAppendsTheFileEachTime();
    void saveWritesGbkLinesWithCrLf();
    void fileFailuresAreShown();
    void appendedLinesKeepOrderAndEmptyLines();
    void largeAppendIsShownInBatches();
    void closedWindowsKeepTheirText();
    void pasteSenderCopiesJoinedOrWhole();
    void pasteSenderSendRunsTheTextOnTheTarget();
    void pasteSenderRefusesABadDelay();
    void pasteSenderWithClosedTargetSendsNothing();

private:
    TMDIChild *NewWindow();

    SessionDialogs dialogs_;
    FrameStandIn frame_;
    std::unique_ptr<Ttextwin> aux_;
    std::unique_ptr<TClipForm> clip_;
    std::vector<std::unique_ptr<TMDIChild>> windows_;
    QStringList messages_;
    QTemporaryDir dir_;
};

TMDIChild *AuxWindowUiTest::NewWindow()
{
    windows_.push_back(std::make_unique<TMDIChild>(nullptr, "", &dialogs_));
    windows_.back()->BindToFrame({nullptr, 0, &frame_, "", ""});
    return windows_.back().get();
}

void AuxWindowUiTest::init()
{
    messages_.clear();
    platform::SetMessagePresenter(
        [this](QWidget *, const QString &text, platform::MessageIcon) { messages_ << text; });
    aux_ = std::make_unique<Ttextwin>();
    clip_ = std::make_unique<TClipForm>();
    frame_.aux = aux_.get();
    dialogs_ = {};
    dialogs_.appendAuxLines = [this](const Lines &lines) { aux_->AppendLines(lines); };
    dialogs_.openPasteSender = [this](SessionPort &w, const std::string &text) {
        clip_->Fill(&w, text);
    };
}

void AuxWindowUiTest::cleanup()
{
    frame_.aux = nullptr;
    windows_.clear();
    clip_.reset();
    aux_.reset();
    platform::SetMessagePresenter({});
}

void AuxWindowUiTest::mirrorSwitchFollowsTheWindowItWasSwitchedOnFor()
{
    TMDIChild *a = NewWindow();
    TMDIChild *b = NewWindow();
    aux_->setSyncSession(a);
    aux_->setCurrentSession(a);
    QCOMPARE(aux_->BitBtn4->text(), kStartSync);

    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    QCOMPARE(aux_->BitBtn4->text(), kStopSync);
    QVERIFY(a->screen().mirrorOn());
    QVERIFY(!b->screen().mirrorOn());

    // Another window becomes active: the off command still goes to the mirrored one.
    aux_->setCurrentSession(b);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    QCOMPARE(aux_->BitBtn4->text(), kStartSync);
    QVERIFY(!a->screen().mirrorOn());
    QVERIFY(!b->screen().mirrorOn());

    // Switched on again, the current window becomes the mirrored one.
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    QVERIFY(b->screen().mirrorOn());
    QVERIFY(!a->screen().mirrorOn());
    QCOMPARE(aux_->syncSession(), b);
}

void AuxWindowUiTest::mirrorSwitchWithoutLinksDoesNothing()
{
    TMDIChild *a = NewWindow();
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    QCOMPARE(aux_->BitBtn4->text(), kStartSync);
    QVERIFY(!a->screen().mirrorOn());
}

void AuxWindowUiTest::mirrorOnUsesSyncSessionWhenNoneIsCurrent()
{
    TMDIChild *a = NewWindow();
    aux_->setSyncSession(a);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    QVERIFY(a->screen().mirrorOn());
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    QVERIFY(!a->screen().mirrorOn());
}

void AuxWindowUiTest::mirrorOffReachesTheMirroredWindowAfterSyncSessionMoved()
{
    TMDIChild *a = NewWindow();
    TMDIChild *b = NewWindow();
    aux_->setSyncSession(a);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    QVERIFY(a->screen().mirrorOn());
    // "辅助窗口" pressed while b is active re-points syncSession mid-mirror.
    aux_->setSyncSession(b);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    QCOMPARE(aux_->BitBtn4->text(), kStartSync);
    QVERIFY(!a->screen().mirrorOn());
    QVERIFY(!b->screen().mirrorOn());
}

void AuxWindowUiTest::mirroredLinesReachTheWindow()
{
    TMDIChild *a = NewWindow();
    TMDIChild *b = NewWindow();
    aux_->setCurrentSession(a);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    a->screen().Enqueue("first line\r\n\xD6\xD0\xCE\xC4\r\n");
    b->screen().Enqueue("not mirrored\r\n");
    QTRY_COMPARE(aux_->lines(), (Lines{"first line", "\xD6\xD0\xCE\xC4"}));
    QTRY_VERIFY(StoreHas(*b, "not mirrored"));
    QCOMPARE(aux_->lines().size(), std::size_t(2));
}

void AuxWindowUiTest::closingAWindowResetsTheSwitch()
{
    TMDIChild *a = NewWindow();
    NewWindow();
    aux_->setSyncSession(a);
    aux_->setCurrentSession(a);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    QVERIFY(a->screen().mirrorOn());

    // Closing the other window: the switch reads "同步接收", both links go,
    // and the window still mirroring is told to stop so the two agree.
    windows_.pop_back();
    QCOMPARE(aux_->BitBtn4->text(), kStartSync);
    QVERIFY(!aux_->syncSession());
    QVERIFY(!aux_->currentSession());
    QTRY_VERIFY(!a->screen().mirrorOn());

    // With both links cleared the switch does nothing until the frame sets one.
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    QCOMPARE(aux_->BitBtn4->text(), kStartSync);
}

void AuxWindowUiTest::closingTheMirroredWindowIsSafe()
{
    TMDIChild *a = NewWindow();
    aux_->setCurrentSession(a);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    windows_.clear(); // destroyed while mirrored; its notice resets the switch
    QCOMPARE(aux_->BitBtn4->text(), kStartSync);
    QCoreApplication::processEvents(); // the deferred stop runs and must find the window gone
    QVERIFY(!aux_->syncSession());
}

void AuxWindowUiTest::readAppendsTheFileEachTime()
{
    const QString path = dir_.filePath(QStringLiteral("read.txt"));
    WriteAll(path, "one\r\n\xD6\xD0\xCE\xC4\r\n\r\nlast");
    aux_->setFileChooser([&](QWidget *, bool save) { return save ? QString() : path; });
    aux_->AppendLines({"before"});
    QTest::mouseClick(aux_->BitBtn2, Qt::LeftButton);
    QTest::mouseClick(aux_->BitBtn2, Qt::LeftButton);
    const Lines once = {"one", "\xD6\xD0\xCE\xC4", "", "last"};
    Lines expected = {"before"};
    expected.insert(expected.end(), once.begin(), once.end());
    expected.insert(expected.end(), once.begin(), once.end());
    QCOMPARE(aux_->lines(), expected);

    QTest::mouseClick(aux_->BitBtn3, Qt::LeftButton); // "清空"
    QCOMPARE(aux_->lines(), Lines{});
    QVERIFY(messages_.isEmpty());
}

void AuxWindowUiTest::saveWritesGbkLinesWithCrLf()
{
    const QString path = dir_.filePath(QStringLiteral("save.txt"));
    WriteAll(path, QByteArray(4096, 'x')); // replaced, not overwritten in place
    aux_->setFileChooser([&](QWidget *, bool save) { return save ? path : QString(); });
    aux_->AppendLines({"hp 100/100\r\n", "", "\xC4\xE3\xBA\xC3\n"});
    QTest::mouseClick(aux_->BitBtn1, Qt::LeftButton);
    QCOMPARE(ReadAll(path), QByteArray("hp 100/100\r\n\r\n\xC4\xE3\xBA\xC3\r\n"));

    // A saved file read back gives the same lines.
    aux_->setFileChooser([&](QWidget *, bool) { return path; });
    QTest::mouseClick(aux_->BitBtn3, Qt::LeftButton);
    QTest::mouseClick(aux_->BitBtn2, Qt::LeftButton);
    QCOMPARE(aux_->lines(), (Lines{"hp 100/100", "", "\xC4\xE3\xBA\xC3"}));

    // An empty pad saves an empty file; a cancelled dialog writes nothing.
    QTest::mouseClick(aux_->BitBtn3, Qt::LeftButton);
    QTest::mouseClick(aux_->BitBtn1, Qt::LeftButton);
    QCOMPARE(ReadAll(path), QByteArray());
    aux_->AppendLines({"kept"});
    aux_->setFileChooser([](QWidget *, bool) { return QString(); });
    QTest::mouseClick(aux_->BitBtn1, Qt::LeftButton);
    QTest::mouseClick(aux_->BitBtn2, Qt::LeftButton);
    QCOMPARE(ReadAll(path), QByteArray());
    QCOMPARE(aux_->lines(), Lines{"kept"});
    QVERIFY(messages_.isEmpty());
}

void AuxWindowUiTest::fileFailuresAreShown()
{
    const QString missing = dir_.filePath(QStringLiteral("no-such-dir/file.txt"));
    aux_->setFileChooser([&](QWidget *, bool) { return missing; });
    aux_->AppendLines({"text"});
    QTest::mouseClick(aux_->BitBtn1, Qt::LeftButton);
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].contains(QStringLiteral("无法保存")));
    QTest::mouseClick(aux_->BitBtn2, Qt::LeftButton);
    QCOMPARE(messages_.size(), 2);
    QVERIFY(messages_[1].contains(QStringLiteral("无法读取")));
    QCOMPARE(aux_->lines(), Lines{"text"});
}

void AuxWindowUiTest::appendedLinesKeepOrderAndEmptyLines()
{
    // Mirror updates and "#HP" lines interleave in many small calls.
    Lines expected;
    for (int i = 0; i < 300; ++i) {
        const std::string line = "line " + std::to_string(i);
        aux_->AppendLines({line + "\r\n", ""});
        expected.push_back(line);
        expected.push_back("");
    }
    // Nothing is shown until the window thread is free again.
    QCOMPARE(aux_->Memo1->document()->blockCount(), 1);
    QTRY_VERIFY(aux_->Memo1->document()->blockCount() > 1);
    QCOMPARE(aux_->lines(), expected);

    // A line the player left unfinished is ended before new lines come.
    QTest::mouseClick(aux_->BitBtn3, Qt::LeftButton);
    QTest::keyClicks(aux_->Memo1, QStringLiteral("typed"));
    aux_->AppendLines({"mirrored"});
    QCOMPARE(aux_->lines(), (Lines{"typed", "mirrored"}));
}

void AuxWindowUiTest::largeAppendIsShownInBatches()
{
    aux_->show();
    Lines lines;
    lines.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        lines.push_back("\xB5\xDA " + std::to_string(i) + " \xD0\xD0 some game text here\r\n");
    aux_->AppendLines(lines);
    // The window thread keeps turning while the lines are shown batch by
    // batch: one turn of the event loop never shows them all at once.
    QCoreApplication::processEvents();
    QVERIFY(aux_->Memo1->document()->blockCount() < 100000);
    QTRY_VERIFY_WITH_TIMEOUT(aux_->Memo1->document()->blockCount() > 100000, 60000);
    const Lines shown = aux_->lines();
    QCOMPARE(shown.size(), lines.size());
    QCOMPARE(shown[4999], std::string("\xB5\xDA 4999 \xD0\xD0 some game text here"));
    QCOMPARE(shown.back(), std::string("\xB5\xDA 99999 \xD0\xD0 some game text here"));
}

void AuxWindowUiTest::closedWindowsKeepTheirText()
{
    aux_->show();
    aux_->AppendLines({"aux text"});
    aux_->close();
    QVERIFY(aux_->isHidden());
    QCOMPARE(aux_->lines(), Lines{"aux text"});

    clip_->Fill(nullptr, "clip text\r\n");
    QVERIFY(clip_->isVisible());
    QTest::mouseClick(clip_->BitBtn4, Qt::LeftButton); // "取消"
    QVERIFY(clip_->isHidden());
    QCOMPARE(MemoLines(*clip_->Memo1), Lines{"clip text"});
}

void AuxWindowUiTest::pasteSenderCopiesJoinedOrWhole()
{
    struct Case
    {
        const char *selection;
        QString joined;
    };
    const std::vector<Case> cases = {
        {"a b\r\nc\r\n", QStringLiteral("\"a b\",c")},
        {"\r\n", QStringLiteral("\"\"")},
        {"", QString()},
    };
    QClipboard *clipboard = QGuiApplication::clipboard();
    for (const auto &c : cases) {
        clip_->Fill(nullptr, c.selection);
        QTest::mouseClick(clip_->BitBtn2, Qt::LeftButton); // "合并一行"
        QCOMPARE(clipboard->text(), c.joined);
        QVERIFY(clip_->isHidden());
    }

    clip_->Fill(nullptr, "one\r\n\xD6\xD0\r\n");
    QTest::mouseClick(clip_->BitBtn1, Qt::LeftButton); // "原样复制"
    QCOMPARE(clipboard->text(), QStringLiteral("one\n中\n"));
    QVERIFY(clip_->isHidden());
}

void AuxWindowUiTest::pasteSenderSendRunsTheTextOnTheTarget()
{
    TMDIChild *a = NewWindow();
    TMDIChild *b = NewWindow();
    dialogs_.openPasteSender(*b, "other\r\n");
    dialogs_.openPasteSender(*a, "hello\r\n\r\nworld\r\n"); // the last opener is the target
    QCOMPARE(clip_->targetSession(), static_cast<SessionPort *>(a));
    clip_->Edit2->setText(QStringLiteral("500"));
    QTest::mouseClick(clip_->BitBtn3, Qt::LeftButton);
    QCOMPARE(clip_->pasteText(), std::string("chat hello;#WA 500;chat world;#WA 500;"));
    QVERIFY(clip_->isHidden());

    // With no pause the runner echoes both commands on the target's screen.
    clip_->Fill(a, "look\r\n  \r\nscore\r\n");
    clip_->Edit1->setText(QStringLiteral("say"));
    clip_->Edit2->setText(QStringLiteral("0"));
    QTest::mouseClick(clip_->BitBtn3, Qt::LeftButton);
    QCOMPARE(clip_->pasteText(), std::string("say look;say score;"));
    QTRY_VERIFY(StoreHas(*a, "say look"));
    QTRY_VERIFY(StoreHas(*a, "say score"));
    QVERIFY(!StoreHas(*b, "say look"));
    QVERIFY(messages_.isEmpty());
}

void AuxWindowUiTest::pasteSenderRefusesABadDelay()
{
    TMDIChild *a = NewWindow();
    clip_->Fill(a, "hello\r\n");
    for (const QString &delay : {QStringLiteral("abc"), QStringLiteral("1.5"), QString()}) {
        clip_->Edit2->setText(delay);
        QTest::mouseClick(clip_->BitBtn3, Qt::LeftButton);
        QVERIFY(clip_->isVisible());
    }
    QCOMPARE(messages_.size(), 3);
    QVERIFY(messages_[0].contains(QStringLiteral("abc")));
    QCOMPARE(clip_->pasteText(), std::string());
}

void AuxWindowUiTest::pasteSenderWithClosedTargetSendsNothing()
{
    testsupport::FakeSessionPort port;
    clip_->Fill(&port, "hello\r\n");
    port.Close();
    QVERIFY(!clip_->targetSession());
    QTest::mouseClick(clip_->BitBtn3, Qt::LeftButton);
    QCOMPARE(messages_.size(), 1);
    QVERIFY(clip_->isVisible());
    QVERIFY(port.runs.empty());
}

QTEST_MAIN(AuxWindowUiTest)
#include "AuxWindowUiTest.moc"
