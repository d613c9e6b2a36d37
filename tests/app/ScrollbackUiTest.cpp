// The scrollback tools as the player uses them against the demo server: the
// find bar with real keys, and a log written during play that holds what the
// screen shows and never the password typed at a hidden prompt.
#include "render/GbkCodec.h"
#include "support/FrameFixture.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "ui/session/FindBar.h"
#include "ui/session/GameWindow.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTest>

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
