// The auxiliary window and the paste sender driven against real game windows
// that are never connected.
#include "core/screen/PasteText.h"
#include "core/session/SessionCodes.h"
#include "support/FakeSessionPort.h"
#include "support/HookedFrame.h"
#include "support/MessageLog.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "ui/platform/SystemMessage.h"
#include "ui/screen/AuxWindow.h"
#include "ui/screen/PasteSender.h"
#include "ui/session/GameWindow.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using screen::MemoLines;
using screen::TClipForm;
using screen::Ttextwin;

using session::FrameNoticeSink;
using session::SessionPort;
using session::TMDIChild;

using testsupport::WaitFor;

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
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The process's peak resident memory so far, in bytes (0 where unknown).
std::size_t PeakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toULongLong() * 1024;
    return 0;
}

bool StoreHas(TMDIChild &w, const std::string &text)
{
    for (const auto &line : w.screen().StoreSnapshot())
        if (line.text.find(text) != std::string::npos)
            return true;
    return false;
}

} // namespace

class AuxWindow : public ::testing::Test
{
protected:
    TMDIChild *NewWindow();

    testsupport::HookedFrame dialogs_;
    FrameStandIn frame_;
    std::unique_ptr<Ttextwin> aux_;
    std::unique_ptr<TClipForm> clip_;
    std::vector<std::unique_ptr<TMDIChild>> windows_;
    testsupport::MessageLog messages_;
    QTemporaryDir dir_;

    void SetUp() override
    {
        messages_.clear();
        aux_ = std::make_unique<Ttextwin>();
        clip_ = std::make_unique<TClipForm>();
        frame_.aux = aux_.get();
        dialogs_ = testsupport::HookedFrame();
        dialogs_.appendAuxLines = [this](const Lines &lines) { aux_->AppendLines(lines); };
        dialogs_.openPasteSender = [this](SessionPort &w, const std::string &text) {
            clip_->Fill(&w, text);
        };
    }

    void TearDown() override
    {
        frame_.aux = nullptr;
        windows_.clear();
        clip_.reset();
        aux_.reset();
    }
};
;

TMDIChild *AuxWindow::NewWindow()
{
    windows_.push_back(std::make_unique<TMDIChild>(nullptr, "", &dialogs_));
    windows_.back()->BindToFrame({nullptr, 0, &frame_, "", ""});
    return windows_.back().get();
}

TEST_F(AuxWindow, MirrorSwitchFollowsTheWindowItWasSwitchedOnFor)
{
    TMDIChild *a = NewWindow();
    TMDIChild *b = NewWindow();
    aux_->setSyncSession(a);
    aux_->setCurrentSession(a);
    ASSERT_EQ(aux_->BitBtn4->text(), kStartSync);

    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    ASSERT_EQ(aux_->BitBtn4->text(), kStopSync);
    ASSERT_TRUE(a->screen().mirrorOn());
    ASSERT_TRUE(!b->screen().mirrorOn());

    // Another window becomes active: the off command still goes to the mirrored one.
    aux_->setCurrentSession(b);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    ASSERT_EQ(aux_->BitBtn4->text(), kStartSync);
    ASSERT_TRUE(!a->screen().mirrorOn());
    ASSERT_TRUE(!b->screen().mirrorOn());

    // Switched on again, the current window becomes the mirrored one.
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    ASSERT_TRUE(b->screen().mirrorOn());
    ASSERT_TRUE(!a->screen().mirrorOn());
    ASSERT_EQ(aux_->syncSession(), b);
}

TEST_F(AuxWindow, MirrorSwitchWithoutLinksDoesNothing)
{
    TMDIChild *a = NewWindow();
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    ASSERT_EQ(aux_->BitBtn4->text(), kStartSync);
    ASSERT_TRUE(!a->screen().mirrorOn());
}

TEST_F(AuxWindow, MirrorOnUsesSyncSessionWhenNoneIsCurrent)
{
    TMDIChild *a = NewWindow();
    aux_->setSyncSession(a);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    ASSERT_TRUE(a->screen().mirrorOn());
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    ASSERT_TRUE(!a->screen().mirrorOn());
}

TEST_F(AuxWindow, MirrorOffReachesTheMirroredWindowAfterSyncSessionMoved)
{
    TMDIChild *a = NewWindow();
    TMDIChild *b = NewWindow();
    aux_->setSyncSession(a);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    ASSERT_TRUE(a->screen().mirrorOn());
    // "辅助窗口" pressed while b is active re-points syncSession mid-mirror.
    aux_->setSyncSession(b);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    ASSERT_EQ(aux_->BitBtn4->text(), kStartSync);
    ASSERT_TRUE(!a->screen().mirrorOn());
    ASSERT_TRUE(!b->screen().mirrorOn());
}

TEST_F(AuxWindow, MirroredLinesReachTheWindow)
{
    TMDIChild *a = NewWindow();
    TMDIChild *b = NewWindow();
    aux_->setCurrentSession(a);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    a->screen().Enqueue("first line\r\n\xD6\xD0\xCE\xC4\r\n");
    b->screen().Enqueue("not mirrored\r\n");
    ASSERT_TRUE(WaitFor([&] {
        return (aux_->lines()) == ((Lines{"first line", "\xD6\xD0\xCE\xC4"}));
    }));
    ASSERT_TRUE(WaitFor([&] { return bool(StoreHas(*b, "not mirrored")); }));
    ASSERT_EQ(aux_->lines().size(), std::size_t(2));
}

TEST_F(AuxWindow, ClosingAWindowResetsTheSwitch)
{
    TMDIChild *a = NewWindow();
    NewWindow();
    aux_->setSyncSession(a);
    aux_->setCurrentSession(a);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    ASSERT_TRUE(a->screen().mirrorOn());

    // Closing the other window: the switch reads "同步接收", both links go,
    // and the window still mirroring is told to stop so the two agree.
    windows_.pop_back();
    ASSERT_EQ(aux_->BitBtn4->text(), kStartSync);
    ASSERT_TRUE(!aux_->syncSession());
    ASSERT_TRUE(!aux_->currentSession());
    ASSERT_TRUE(WaitFor([&] { return bool(!a->screen().mirrorOn()); }));

    // With both links cleared the switch does nothing until the frame sets one.
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    ASSERT_EQ(aux_->BitBtn4->text(), kStartSync);
}

TEST_F(AuxWindow, ClosingTheMirroredWindowIsSafe)
{
    TMDIChild *a = NewWindow();
    aux_->setCurrentSession(a);
    QTest::mouseClick(aux_->BitBtn4, Qt::LeftButton);
    windows_.clear(); // destroyed while mirrored; its notice resets the switch
    ASSERT_EQ(aux_->BitBtn4->text(), kStartSync);
    QCoreApplication::processEvents(); // the deferred stop runs and must find the window gone
    ASSERT_TRUE(!aux_->syncSession());
}

TEST_F(AuxWindow, ReadAppendsTheFileEachTime)
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
    ASSERT_EQ(aux_->lines(), expected);

    QTest::mouseClick(aux_->BitBtn3, Qt::LeftButton); // "清空"
    ASSERT_EQ(aux_->lines(), Lines{});
    ASSERT_TRUE(messages_.empty());
}

TEST_F(AuxWindow, ALargeFileIsReadInPiecesKeepingOnlyItsNewestLines)
{
    // 96 MiB of numbered lines, written a piece at a time.
    const QString path = dir_.filePath(QStringLiteral("large.txt"));
    int count = 0;
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        while (f.size() < (96 << 20)) {
            QByteArray piece;
            while (piece.size() < (1 << 20))
                piece += "\xB5\xDA " + QByteArray::number(count++) + " \xD0\xD0 game text\r\n";
            ASSERT_EQ(f.write(piece), piece.size());
        }
    }
    const std::size_t cap = 1u << 20;
    aux_->setMaxBytes(cap);
    aux_->setFileChooser([&](QWidget *, bool save) { return save ? QString() : path; });
    aux_->AppendLines({"before"});
    const std::size_t peakBefore = PeakResidentBytes();

    QTest::mouseClick(aux_->BitBtn2, Qt::LeftButton);
    // The click only starts the reading; a line that comes meanwhile waits behind the file.
    ASSERT_TRUE(aux_->loading());
    ASSERT_FALSE(aux_->LoadNote->text().isEmpty());
    aux_->AppendLines({"after"});
    ASSERT_TRUE(WaitFor([&] { return !aux_->loading(); }, 60000));
    ASSERT_TRUE(messages_.empty());
    ASSERT_TRUE(aux_->LoadNote->text().contains(QStringLiteral("只保留了最后的部分")));

    const Lines kept = aux_->lines();
    EXPECT_LE(aux_->textBytes(), cap);
    ASSERT_GT(kept.size(), 1000u);
    EXPECT_EQ(kept.back(), "after");
    for (std::size_t i = 0; i + 1 < kept.size(); ++i) // the file's last lines, whole and in order
        ASSERT_EQ(kept[i], "\xB5\xDA " + std::to_string(count - int(kept.size()) + 1 + int(i)) +
                               " \xD0\xD0 game text");
    // Read whole, the file alone would have taken three times its size.
    if (peakBefore > 0) {
        EXPECT_LT(PeakResidentBytes() - peakBefore, std::size_t(48) << 20);
    }
}

TEST_F(AuxWindow, AFileThatIsNotTextLoadsWithoutHarm)
{
    const std::size_t cap = 256u << 10;
    aux_->setMaxBytes(cap);
    const QString path = dir_.filePath(QStringLiteral("binary.bin"));
    QByteArray bytes;
    for (int i = 0; bytes.size() < (4 << 20); ++i) // NUL bytes, lone lead bytes, invalid pairs
        bytes += QByteArray("\0\0\xFF\x80\xFE\x7F\x81", 7) + (i % 300 == 0 ? "\n" : "\xA1");
    WriteAll(path, bytes);
    aux_->setFileChooser([&](QWidget *, bool save) { return save ? QString() : path; });
    QTest::mouseClick(aux_->BitBtn2, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !aux_->loading(); }, 30000));
    EXPECT_FALSE(aux_->lines().empty());
    EXPECT_LE(aux_->textBytes(), cap);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(AuxWindow, SaveWritesGbkLinesWithCrLf)
{
    const QString path = dir_.filePath(QStringLiteral("save.txt"));
    WriteAll(path, QByteArray(4096, 'x')); // replaced, not overwritten in place
    aux_->setFileChooser([&](QWidget *, bool save) { return save ? path : QString(); });
    aux_->AppendLines({"hp 100/100\r\n", "", "\xC4\xE3\xBA\xC3\n"});
    QTest::mouseClick(aux_->BitBtn1, Qt::LeftButton);
    ASSERT_EQ(ReadAll(path), QByteArray("hp 100/100\r\n\r\n\xC4\xE3\xBA\xC3\r\n"));

    // A saved file read back gives the same lines.
    aux_->setFileChooser([&](QWidget *, bool) { return path; });
    QTest::mouseClick(aux_->BitBtn3, Qt::LeftButton);
    QTest::mouseClick(aux_->BitBtn2, Qt::LeftButton);
    ASSERT_EQ(aux_->lines(), (Lines{"hp 100/100", "", "\xC4\xE3\xBA\xC3"}));

    // An empty pad saves an empty file; a cancelled dialog writes nothing.
    QTest::mouseClick(aux_->BitBtn3, Qt::LeftButton);
    QTest::mouseClick(aux_->BitBtn1, Qt::LeftButton);
    ASSERT_EQ(ReadAll(path), QByteArray());
    aux_->AppendLines({"kept"});
    aux_->setFileChooser([](QWidget *, bool) { return QString(); });
    QTest::mouseClick(aux_->BitBtn1, Qt::LeftButton);
    QTest::mouseClick(aux_->BitBtn2, Qt::LeftButton);
    ASSERT_EQ(ReadAll(path), QByteArray());
    ASSERT_EQ(aux_->lines(), Lines{"kept"});
    ASSERT_TRUE(messages_.empty());
}

TEST_F(AuxWindow, FileFailuresAreShown)
{
    const QString missing = dir_.filePath(QStringLiteral("no-such-dir/file.txt"));
    aux_->setFileChooser([&](QWidget *, bool) { return missing; });
    aux_->AppendLines({"text"});
    QTest::mouseClick(aux_->BitBtn1, Qt::LeftButton);
    ASSERT_EQ(messages_.size(), std::size_t(1));
    ASSERT_TRUE(messages_[0].text.contains(QStringLiteral("无法保存")));
    QTest::mouseClick(aux_->BitBtn2, Qt::LeftButton);
    ASSERT_EQ(messages_.size(), std::size_t(2));
    ASSERT_TRUE(messages_[1].text.contains(QStringLiteral("无法读取")));
    ASSERT_EQ(aux_->lines(), Lines{"text"});
}

TEST_F(AuxWindow, AppendedLinesKeepOrderAndEmptyLines)
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
    ASSERT_EQ(aux_->Memo1->document()->blockCount(), 1);
    ASSERT_TRUE(WaitFor([&] { return bool(aux_->Memo1->document()->blockCount() > 1); }));
    ASSERT_EQ(aux_->lines(), expected);

    // A line the player left unfinished is ended before new lines come.
    QTest::mouseClick(aux_->BitBtn3, Qt::LeftButton);
    QTest::keyClicks(aux_->Memo1, QStringLiteral("typed"));
    aux_->AppendLines({"mirrored"});
    ASSERT_EQ(aux_->lines(), (Lines{"typed", "mirrored"}));
}

TEST_F(AuxWindow, LargeAppendIsShownInBatches)
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
    ASSERT_TRUE(aux_->Memo1->document()->blockCount() < 100000);
    ASSERT_TRUE(
        WaitFor([&] { return bool(aux_->Memo1->document()->blockCount() > 100000); }, 60000));
    const Lines shown = aux_->lines();
    ASSERT_EQ(shown.size(), lines.size());
    ASSERT_EQ(shown[4999], std::string("\xB5\xDA 4999 \xD0\xD0 some game text here"));
    ASSERT_EQ(shown.back(), std::string("\xB5\xDA 99999 \xD0\xD0 some game text here"));
}

TEST_F(AuxWindow, ClosedWindowsKeepTheirText)
{
    aux_->show();
    aux_->AppendLines({"aux text"});
    aux_->close();
    ASSERT_TRUE(aux_->isHidden());
    ASSERT_EQ(aux_->lines(), Lines{"aux text"});

    clip_->Fill(nullptr, "clip text\r\n");
    ASSERT_TRUE(clip_->isVisible());
    QTest::mouseClick(clip_->BitBtn4, Qt::LeftButton); // "取消"
    ASSERT_TRUE(clip_->isHidden());
    ASSERT_EQ(MemoLines(*clip_->Memo1), Lines{"clip text"});
}

TEST_F(AuxWindow, PasteSenderCopiesJoinedOrWhole)
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
        ASSERT_EQ(clipboard->text(), c.joined);
        ASSERT_TRUE(clip_->isHidden());
    }

    clip_->Fill(nullptr, "one\r\n\xD6\xD0\r\n");
    QTest::mouseClick(clip_->BitBtn1, Qt::LeftButton); // "原样复制"
    ASSERT_EQ(clipboard->text(), QStringLiteral("one\n中\n"));
    ASSERT_TRUE(clip_->isHidden());
}

TEST_F(AuxWindow, PasteSenderSendRunsTheTextOnTheTarget)
{
    TMDIChild *a = NewWindow();
    TMDIChild *b = NewWindow();
    dialogs_.openPasteSender(*b, "other\r\n");
    dialogs_.openPasteSender(*a, "hello\r\n\r\nworld\r\n"); // the last opener is the target
    ASSERT_EQ(clip_->targetSession(), static_cast<SessionPort *>(a));
    clip_->Edit2->setText(QStringLiteral("500"));
    QTest::mouseClick(clip_->BitBtn3, Qt::LeftButton);
    ASSERT_EQ(clip_->pasteText(), std::string("chat hello;#WA 500;chat world;#WA 500;"));
    ASSERT_TRUE(clip_->isHidden());

    // With no pause the runner echoes both commands on the target's screen.
    clip_->Fill(a, "look\r\n  \r\nscore\r\n");
    clip_->Edit1->setText(QStringLiteral("say"));
    clip_->Edit2->setText(QStringLiteral("0"));
    QTest::mouseClick(clip_->BitBtn3, Qt::LeftButton);
    ASSERT_EQ(clip_->pasteText(), std::string("say look;say score;"));
    ASSERT_TRUE(WaitFor([&] { return bool(StoreHas(*a, "say look")); }));
    ASSERT_TRUE(WaitFor([&] { return bool(StoreHas(*a, "say score")); }));
    ASSERT_TRUE(!StoreHas(*b, "say look"));
    ASSERT_TRUE(messages_.empty());
}

TEST_F(AuxWindow, PasteSenderRefusesABadDelay)
{
    TMDIChild *a = NewWindow();
    clip_->Fill(a, "hello\r\n");
    // A long delay text is quoted in part, never split inside a character.
    QString smiles;
    for (int i = 0; i < 100; ++i)
        smiles += QStringLiteral("😀");
    for (const QString &delay : {QStringLiteral("abc"), QStringLiteral("1.5"), QString(),
                                 QString(1000000, QLatin1Char('9')), smiles}) {
        clip_->Edit2->setText(delay);
        QTest::mouseClick(clip_->BitBtn3, Qt::LeftButton);
        ASSERT_TRUE(clip_->isVisible());
    }
    ASSERT_EQ(messages_.size(), std::size_t(5));
    ASSERT_TRUE(messages_[0].text.contains(QStringLiteral("abc")));
    ASSERT_TRUE(messages_[3].text.contains(QString(80, QLatin1Char('9')) + QChar(0x2026)));
    ASSERT_LT(messages_[3].text.size(), 120);
    ASSERT_TRUE(messages_[4].text.contains(smiles.left(160) + QChar(0x2026)));
    ASSERT_FALSE(messages_[4].text.contains(smiles.left(162)));
    ASSERT_EQ(clip_->pasteText(), std::string());
}

TEST_F(AuxWindow, PasteSenderKeepsTheFirstLinesOfAHugeSelection)
{
    std::string text;
    int count = 0;
    while (text.size() < (24u << 20))
        text += "line " + std::to_string(count++) + " \xD6\xD0\xCE\xC4\r\n";
    clip_->Fill(nullptr, text);
    // The fill shows one batch; the rest follows while the window keeps turning.
    ASSERT_LE(clip_->Memo1->document()->blockCount(), 5000);
    ASSERT_TRUE(clip_->CutNote->isVisibleTo(clip_.get()));
    clip_->FlushMemo();
    const Lines kept = MemoLines(*clip_->Memo1);
    EXPECT_LE(std::size_t(clip_->Memo1->document()->characterCount()), screen::kPasteKeepBytes);
    ASSERT_GT(kept.size(), 10000u);
    ASSERT_LT(kept.size(), std::size_t(count));
    for (std::size_t i = 0; i < kept.size(); ++i)
        ASSERT_EQ(kept[i], "line " + std::to_string(i) + " \xD6\xD0\xCE\xC4");

    // A selection within the cap is kept whole, and says nothing.
    clip_->Fill(nullptr, "short\r\n");
    clip_->FlushMemo();
    EXPECT_EQ(MemoLines(*clip_->Memo1), Lines{"short"});
    EXPECT_FALSE(clip_->CutNote->isVisibleTo(clip_.get()));
}

TEST_F(AuxWindow, PasteSenderWithClosedTargetSendsNothing)
{
    testsupport::FakeSessionPort port;
    clip_->Fill(&port, "hello\r\n");
    port.Close();
    ASSERT_TRUE(!clip_->targetSession());
    QTest::mouseClick(clip_->BitBtn3, Qt::LeftButton);
    ASSERT_EQ(messages_.size(), std::size_t(1));
    ASSERT_TRUE(clip_->isVisible());
    ASSERT_TRUE(port.runs.empty());
}
