// Hidden input in the game window, against an in-process server that speaks
// telnet: its commands never reach the screen, and a line typed while the
// server echoes for itself is sent and leaves no other trace.
#include "core/session/SessionCodes.h"
#include "render/GbkCodec.h"
#include "support/HookedFrame.h"
#include "support/QtWait.h"
#include "ui/session/GameConnection.h"
#include "ui/session/GameWindow.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>

using session::TMDIChild;

using testsupport::FakeGameServer;
using testsupport::WaitFor;

namespace {

const QByteArray kWillEcho("\xFF\xFB\x01", 3);
const QByteArray kWontEcho("\xFF\xFC\x01", 3);
const QByteArray kConnectBurst("\xFF\xFB\x19\xFF\xFD\x19\xFF\xFD\x03\xFF\xFD\x18"
                               "\xFF\xFD\x1F\xFF\xFD\x27\xFF\xFB\x2A\xFF\xFD\x2A",
                               24);

QByteArray Gbk(const QString &text)
{
    return QByteArray(gbk::FromQString(text).c_str());
}

struct Session
{
    FakeGameServer server;
    testsupport::HookedFrame dialogs;
    QLineEdit input;
    TMDIChild *w;
    std::vector<std::string> auxLines;
    std::unique_ptr<QSignalSpy> hiddenChanges;

    explicit Session(const QByteArray &greeting)
    {
        server.SetGreeting(greeting);
        dialogs.appendAuxLines = [this](const std::vector<std::string> &lines) {
            auxLines.insert(auxLines.end(), lines.begin(), lines.end());
        };
        w = new TMDIChild(nullptr, "", &dialogs);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->BindToFrame({&input, 0, nullptr, "", ""});
        w->setWindowTitle(QStringLiteral("T"));
        w->resize(600, 300);
        hiddenChanges = std::make_unique<QSignalSpy>(w, &TMDIChild::inputHiddenChanged);
        // A site that does not negotiate: the server receives only what is
        // typed, so a line's bytes can be compared whole.
        w->Connect({"127.0.0.1", server.port(), false, "", 0, false, "", ""},
                   {session::Encoding::kAuto, false});
        EXPECT_TRUE(WaitFor([this] { return server.connected(); }));
    }
    ~Session() { delete w; }

    void Type(const QString &line)
    {
        input.setText(line);
        w->SendTypedLine(gbk::FromQString(line));
    }

    // Whether any stored line holds `piece`.
    bool StoreHolds(const std::string &piece)
    {
        for (const auto &l : w->screen().StoreSnapshot())
            if (l.text.find(piece) != std::string::npos)
                return true;
        return false;
    }
};

} // namespace

TEST(HiddenInput, LineTypedWhileTheServerEchoesIsSentAndLeavesNoTrace)
{
    // Negotiation, then a name-and-password prompt with the echo taken over:
    // the name mark arms the caption, which the hidden line must not take.
    Session s(kConnectBurst + kWillEcho + Gbk(QStringLiteral("名字与密码：")));
    ASSERT_TRUE(WaitFor([&] { return s.w->inputHidden() && s.w->nameCaptureStage() == 1; }));
    EXPECT_EQ(s.hiddenChanges->count(), 1);
    ASSERT_TRUE(WaitFor([&] { return s.StoreHolds(Gbk(QStringLiteral("名字")).toStdString()); }));
    EXPECT_FALSE(s.StoreHolds("\xFF"));

    s.w->findChild<QToolButton *>(QStringLiteral("SpeedButton3"))->click(); // recording
    s.w->SessionCommand(session::kMirrorOn);
    s.Type(QStringLiteral("s3cret"));
    ASSERT_TRUE(WaitFor([&] { return s.server.received == "s3cret\n"; }));
    EXPECT_EQ(s.w->windowTitle(), QStringLiteral("T"));
    EXPECT_EQ(s.w->nameCaptureStage(), 1);
    EXPECT_EQ(s.w->walk().recordedPath, "");
    // Emptied, so it cannot show in clear once the echo comes back.
    EXPECT_EQ(s.input.text(), QString());

    // The server gives the echo back; its next line is the marker that
    // everything before it has been stored and mirrored.
    s.server.Send(kWontEcho + "\r\nwelcome back\r\n");
    ASSERT_TRUE(WaitFor([&] { return s.StoreHolds("welcome back"); }));
    ASSERT_TRUE(
        WaitFor([&] { return !s.auxLines.empty() && s.auxLines.back() == "welcome back\r\n"; }));
    EXPECT_FALSE(s.w->inputHidden());
    EXPECT_EQ(s.hiddenChanges->count(), 2);
    EXPECT_FALSE(s.StoreHolds("s3cret"));
    for (const auto &line : s.auxLines)
        EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;

    // The next line is an ordinary one again: echoed, recorded, the caption.
    s.Type(QStringLiteral("hero"));
    ASSERT_TRUE(WaitFor([&] { return s.server.received == "s3cret\nhero\n"; }));
    ASSERT_TRUE(WaitFor([&] { return s.StoreHolds("hero\n"); }));
    EXPECT_EQ(s.w->windowTitle(), QStringLiteral("T(hero)"));
    EXPECT_EQ(s.w->walk().recordedPath, "hero\r\n");
    EXPECT_EQ(s.input.selectedText(), QStringLiteral("hero"));
}

TEST(HiddenInput, ADroppedConnectionGivesTheEchoBack)
{
    Session s(kWillEcho + "Password: ");
    ASSERT_TRUE(WaitFor([&] { return s.w->inputHidden(); }));
    s.w->connection().Close();
    ASSERT_TRUE(WaitFor([&] { return !s.w->linkActive(); }));
    EXPECT_FALSE(s.w->inputHidden());
    ASSERT_EQ(s.hiddenChanges->count(), 2);
    EXPECT_FALSE(s.hiddenChanges->at(1).at(0).toBool());
}

TEST(HiddenInput, CommandsOnlyReadLeavesThePromptAsItIs)
{
    // A prompt, then a read holding nothing but its GA: the prompt is still
    // the unfinished line that the rest of it completes.
    Session s("HP 100> ");
    ASSERT_TRUE(WaitFor([&] { return s.StoreHolds("HP 100> "); }));
    s.server.Send(QByteArray("\xFF\xF9", 2));
    s.server.Send("look\r\n");
    ASSERT_TRUE(WaitFor([&] { return s.StoreHolds("HP 100> look\r\n"); }));
    EXPECT_EQ(s.w->screen().StoreSize(), 1u);
}
