// The player against the demo server, which speaks telnet: its commands never
// show, and a password typed at its prompt shows as dots, reaches the server,
// and is nowhere on the screen, in the history or in the caption.
#include "MainFrame.h"
#include "render/GbkCodec.h"
#include "ui/platform/HelpViewer.h"
#include "ui/platform/Tray.h"
#include "ui/session/GameWindow.h"
#include "ui/sites/SiteDialog.h"

#include <memory>

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

class NoTray : public platform::NotificationTray
{
public:
    bool IsAvailable() const override { return false; }
    void Show() override {}
    void Hide() override {}
    bool IsShown() const override { return false; }
};

class NoHelp : public platform::HelpViewer
{
public:
    bool Show(const QString &) override { return false; }
};

std::string Gbk(const QString &text)
{
    return gbk::FromQString(text);
}

} // namespace

class HiddenInputUiTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QProcess server;
    quint16 port = 0;
    std::unique_ptr<TMainForm> form;
    TMDIChild *w = nullptr;

    QByteArray ServerLog() const
    {
        QFile file(dir.filePath(QStringLiteral("received.log")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool StoreHolds(const std::string &piece) const
    {
        for (const auto &l : w->screen().StoreSnapshot())
            if (l.text.find(piece) != std::string::npos)
                return true;
        return false;
    }

    void TypeLine(const QString &text)
    {
        form->CommandInput->clear();
        QTest::keyClicks(form->CommandInput, text);
        QTest::keyClick(form->CommandInput, Qt::Key_Return);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        const QString program = qEnvironmentVariable("QUORVEL_DEMO_SERVER");
        QVERIFY2(!program.isEmpty(), "QUORVEL_DEMO_SERVER names the demo server");
        server.start(program, {QStringLiteral("--port"), QStringLiteral("0"),
                               QStringLiteral("--log"), dir.filePath("received.log")});
        QVERIFY(server.waitForStarted());
        QByteArray out;
        QTRY_VERIFY((out += server.readAllStandardOutput()).contains('\n'));
        QVERIFY(out.startsWith("listening on "));
        port = static_cast<quint16>(out.mid(13).trimmed().toUInt());
        QVERIFY(port != 0);
    }

    void cleanupTestCase()
    {
        server.kill();
        server.waitForFinished();
    }

    void init()
    {
        TMainForm::Services services;
        services.tray = std::make_unique<NoTray>();
        services.help = std::make_unique<NoHelp>();
        services.runSiteDialog = [this](TBookMark &dialog) {
            dialog.show();
            dialog.getAddress->setText(QStringLiteral("127.0.0.1"));
            dialog.getName->setText(QStringLiteral("demo"));
            dialog.getPort->setText(QString::number(port));
            dialog.BitBtn1Click();
        };
        form = std::make_unique<TMainForm>(QFile::encodeName(dir.path()).toStdString(),
                                           std::move(services));
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->OpenGameWindow();
        QCOMPARE(form->sessionCount, 1);
        w = form->sessions[0];
        // The name prompt, then the name.
        QTRY_COMPARE(w->nameCaptureStage(), 1);
        TypeLine(QStringLiteral("tester"));
        QTRY_VERIFY(StoreHolds(Gbk(QStringLiteral("欢迎你，tester"))));
    }

    void cleanup()
    {
        form.reset();
        w = nullptr;
    }

    void passwordShowsAsDotsAndLeavesNoTrace()
    {
        QCOMPARE(w->windowTitle(), QStringLiteral("demo(tester)"));
        TypeLine(QStringLiteral("password"));
        QTRY_VERIFY(w->inputHidden());
        QCOMPARE(form->CommandInput->echoMode(), QLineEdit::Password);

        form->CommandInput->clear();
        QTest::keyClicks(form->CommandInput, QStringLiteral("hunter22"));
        QVERIFY(form->CommandInput->displayText() != QStringLiteral("hunter22"));
        QTest::keyClick(form->CommandInput, Qt::Key_Return);

        // The server's answer comes after it took the line and gave the echo back.
        QTRY_VERIFY(StoreHolds(Gbk(QStringLiteral("密码已收到（8 个字节）"))));
        QTRY_COMPARE(form->CommandInput->echoMode(), QLineEdit::Normal);
        QVERIFY(ServerLog().contains("\nhunter22\n"));
        QVERIFY(!StoreHolds("hunter22"));
        QCOMPARE(form->CommandInput->text(), QString());
        QCOMPARE(form->history.commandHistory, (std::vector<std::string>{"tester", "password"}));
        QCOMPARE(w->windowTitle(), QStringLiteral("demo(tester)"));
        QCOMPARE(form->TabControl1->tabText(0), QStringLiteral("demo(tester)"));

        // Up brings back the last visible line, never the password.
        QTest::keyClick(form->CommandInput, Qt::Key_Up);
        QCOMPARE(form->CommandInput->text(), QStringLiteral("password"));
    }

    void telnetCommandsNeverShow()
    {
        TypeLine(QStringLiteral("telnet"));
        QTRY_VERIFY(StoreHolds("telnet> "));
        QVERIFY(StoreHolds(Gbk(QStringLiteral("这一行的中间夹着一个 NOP，之前还有一段子协商。"))));
        for (const auto &l : w->screen().StoreSnapshot())
            QVERIFY2(l.text.find('\xFF') == std::string::npos, l.text.c_str());
        QVERIFY(!w->inputHidden());
    }
};

QTEST_MAIN(HiddenInputUiTest)
#include "HiddenInputUiTest.moc"
