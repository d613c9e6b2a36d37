// The player against the demo server, which speaks telnet: its commands never
// show, and a password typed at its prompt shows as dots, reaches the server,
// and is nowhere on the screen, in the history or in the caption.
#include "render/GbkCodec.h"
#include "support/FrameFixture.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "ui/session/GameWindow.h"

#include <gtest/gtest.h>
#include <memory>

#include <QLineEdit>
#include <QTabBar>
#include <QTest>

using session::TMDIChild;

using testsupport::WaitFor;

namespace {

std::string Gbk(const QString &text)
{
    return gbk::FromQString(text);
}

} // namespace

class HiddenInput : public testsupport::FrameFixture<testsupport::DemoServerProcess>
{
protected:
    TMDIChild *w = nullptr;

    QByteArray ServerLog() const { return server->Log(); }

    bool StoreHolds(const std::string &piece) const { return testsupport::StoreHolds(*w, piece); }

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartFrame());
        w = OpenDemoAndLogIn();
        ASSERT_TRUE(w);
    }
};

TEST_F(HiddenInput, PasswordShowsAsDotsAndLeavesNoTrace)
{
    ASSERT_EQ(w->windowTitle(), QStringLiteral("demo(tester)"));
    TypeLine(QStringLiteral("password"));
    ASSERT_TRUE(WaitFor([&] { return bool(w->inputHidden()); }));
    ASSERT_EQ(CommandInput()->echoMode(), QLineEdit::Password);

    CommandInput()->clear();
    QTest::keyClicks(CommandInput(), QStringLiteral("hunter22"));
    ASSERT_TRUE(CommandInput()->displayText() != QStringLiteral("hunter22"));
    QTest::keyClick(CommandInput(), Qt::Key_Return);

    // The server's answer comes after it took the line and gave the echo back.
    ASSERT_TRUE(
        WaitFor([&] { return bool(StoreHolds(Gbk(QStringLiteral("密码已收到（8 个字节）")))); }));
    ASSERT_TRUE(WaitFor([&] { return (CommandInput()->echoMode()) == (QLineEdit::Normal); }));
    ASSERT_TRUE(ServerLog().contains("\nhunter22\n"));
    ASSERT_TRUE(!StoreHolds("hunter22"));
    ASSERT_EQ(CommandInput()->text(), QString());
    ASSERT_EQ(history().commandHistory, (std::vector<std::string>{"tester", "password"}));
    ASSERT_EQ(w->windowTitle(), QStringLiteral("demo(tester)"));
    ASSERT_EQ(TabControl1()->tabText(0), QStringLiteral("demo(tester)"));

    // Up brings back the last visible line, never the password.
    QTest::keyClick(CommandInput(), Qt::Key_Up);
    ASSERT_EQ(CommandInput()->text(), QStringLiteral("password"));
}

TEST_F(HiddenInput, TelnetCommandsNeverShow)
{
    TypeLine(QStringLiteral("telnet"));
    ASSERT_TRUE(WaitFor([&] { return bool(StoreHolds("telnet> ")); }));
    ASSERT_TRUE(StoreHolds(Gbk(QStringLiteral("这一行的中间夹着一个 NOP，之前还有一段子协商。"))));
    for (const auto &l : w->screen().StoreSnapshot()) {
        ASSERT_TRUE(l.text.find('\xFF') == std::string::npos) << l.text.c_str();
    }
    ASSERT_TRUE(!w->inputHidden());
}
