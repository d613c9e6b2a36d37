// A main frame as the player starts it, on a fresh program folder: a fake tray
// and help viewer, message boxes kept in `messages`, and a site dialog answered
// from `next` without running it modally. `Server` (an in-process
// MultiClientServer or the demo server) starts first and `next` points at it.
#pragma once

#include "MainFrame.h"
#include "render/GbkCodec.h"
#include "support/FrameFakes.h"
#include "support/MessageLog.h"
#include "support/QtWait.h"
#include "support/TestServers.h"
#include "ui/session/GameWindow.h"
#include "ui/sites/SiteDialog.h"

#include <gtest/gtest.h>
#include <memory>
#include <string_view>
#include <type_traits>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSize>
#include <QTemporaryDir>
#include <QTest>

namespace testsupport {

// Whether any line of `w`'s screen store holds `piece` (line ends included).
inline bool StoreHolds(session::TMDIChild &w, std::string_view piece)
{
    for (const auto &line : w.screen().StoreSnapshot())
        if (line.text.find(piece) != std::string::npos)
            return true;
    return false;
}

// What the player does in the site dialog next.
struct SiteChoice
{
    bool confirm = true;
    QString name = QStringLiteral("mud");
    QString address = QStringLiteral("127.0.0.1");
    int port = 0;
    session::Encoding encoding = session::Encoding::kAuto; // the dialog's "编码"
};

template <class Server> class FrameFixture : public ::testing::Test
{
protected:
    static constexpr bool kDemo = std::is_same_v<Server, DemoServerProcess>;

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Server> server;
    std::unique_ptr<app::TMainForm> form;

    // The frame's controls and state, as the tests look at them (the fixture is
    // the frame's one friend).
    session::TMDIChild *const *sessions() const { return form->sessions.data(); }
    int sessionCount() const { return form->sessionCount; }
    const std::string &programDir() const { return form->programDir; }
    bool auxWasVisible() const { return form->auxWasVisible; }
    shell::CommandHistory &history() const { return form->history; }
    shell::CommandInputEdit *CommandInput() const { return form->CommandInput; }
    QFrame *Panel2() const { return form->Panel2; }
    QTabBar *TabControl1() const { return form->TabControl1; }
    QMdiArea *ClientArea() const { return form->ClientArea; }
    QWidget *Panel1() const { return form->Panel1; }
    const std::vector<QToolButton *> &toolButtons() const { return form->toolButtons; }
    QMenu *WindowMenu() const { return form->WindowMenu; }
    QAction *ToolbarAction() const { return form->ToolbarAction; }
    shell::TAboutBox *AboutBox() const { return form->AboutBox; }
    screen::TColorForm *ColorForm() const { return form->ColorForm; }
    shell::TClockForm *ClockForm() const { return form->ClockForm; }
    shell::TFastKey *FastKey() const { return form->FastKey; }
    session::TRoadSetting *RoadSetting() const { return form->RoadSetting; }
    screen::Ttextwin *textwin() const { return form->textwin; }
    FakeTray *tray = nullptr;
    FakeHelp *help = nullptr;
    SiteChoice next;
    int dialogRuns = 0;
    MessageLog messages;

    // Starts the server, then the frame with `services` (a test's own clock,
    // say) and the fakes; `size`, when valid, is the frame's before it shows.
    void StartFrame(app::TMainForm::Services services = {}, QSize size = {})
    {
        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir->isValid());
        next = SiteChoice{};
        if constexpr (kDemo) {
            server = std::make_unique<Server>(dir->filePath(QStringLiteral("received.log")));
            ASSERT_TRUE(server->port() != 0) << "the demo server did not start";
            next.name = QStringLiteral("demo");
        } else {
            server = std::make_unique<Server>();
            ASSERT_TRUE(server->server.isListening());
        }
        next.port = server->port();
        messages.clear();
        dialogRuns = 0;

        auto fakeTray = std::make_unique<FakeTray>();
        auto fakeHelp = std::make_unique<FakeHelp>();
        tray = fakeTray.get();
        help = fakeHelp.get();
        services.tray = std::move(fakeTray);
        services.help = std::move(fakeHelp);
        // Filled in and confirmed or cancelled as the player would.
        services.runSiteDialog = [this](sites::TBookMark &dialog) {
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
            for (std::size_t i = 0; i < std::size(session::kEncodings); ++i)
                if (session::kEncodings[i] == next.encoding)
                    dialog.ComboBox1->setCurrentIndex(static_cast<int>(i));
            dialog.BitBtn1Click();
        };
        form = std::make_unique<app::TMainForm>(QFile::encodeName(dir->path()).toStdString(),
                                                std::move(services));
        if (size.isValid())
            form->resize(size);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    void SetUp() override { StartFrame(); }

    void TearDown() override
    {
        form.reset();
        server.reset();
        dir.reset();
    }

    // Opens a window through the site dialog, answered with a fresh choice
    // named `name`, and waits until the in-process server has its connection.
    session::TMDIChild *Open(const QString &name = QStringLiteral("mud"),
                             session::Encoding encoding = session::Encoding::kAuto)
    {
        next = SiteChoice{};
        next.name = name;
        next.encoding = encoding;
        next.port = server->port();
        const std::size_t before = server->sockets.size();
        form->OpenGameWindow();
        if (!QTest::qWaitFor([&] { return server->sockets.size() > before; }, 5000))
            return nullptr;
        return form->sessions[form->sessionCount - 1];
    }

    // Opens a window on the demo server and logs in as `name`: the name prompt,
    // the name, and the welcome on the screen.
    session::TMDIChild *OpenDemoAndLogIn(const QString &name = QStringLiteral("tester"))
    {
        form->OpenGameWindow();
        if (form->sessionCount != 1)
            return nullptr;
        session::TMDIChild *w = form->sessions[0];
        if (!WaitFor([&] { return w->nameCaptureStage() == 1; }))
            return nullptr;
        TypeLine(name);
        const std::string welcome = gbk::FromQString(QStringLiteral("欢迎你，") + name);
        return WaitFor([&] { return StoreHolds(*w, welcome); }) ? w : nullptr;
    }

    // Keys as the window system delivers them: to whatever holds the focus.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(form->windowHandle(), key, modifiers);
    }
    void Type(const char *text)
    {
        for (const char *c = text; *c; ++c)
            QTest::keyClick(form->windowHandle(), *c);
    }
    // Types a line and Enter, and waits until connection `index` has it whole.
    void TypeLineTo(const char *text, int index)
    {
        Type(text);
        Press(Qt::Key_Return);
        const QByteArray line = QByteArray(text) + '\n';
        ASSERT_TRUE(WaitFor([&] { return bool(server->received[index].endsWith(line)); }))
            << server->received[index].constData();
    }

    // Clears the input line, types `text` as key presses and Enter.
    void TypeLine(const QString &text)
    {
        form->CommandInput->clear();
        QTest::keyClicks(form->CommandInput, text);
        QTest::keyClick(form->CommandInput, Qt::Key_Return);
    }
};

} // namespace testsupport
