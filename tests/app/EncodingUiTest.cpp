// A game server that speaks UTF-8 or Big5, played through the real main frame:
// the site's encoding, detection on 自动, the status panel's button, and what
// goes back to the server.
#include "render/GbkCodec.h"
#include "support/FrameFixture.h"
#include "support/QtWait.h"
#include "ui/automation/TriggerEditor.h"
#include "ui/session/GameWindow.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using session::TMDIChild;

using testsupport::WaitFor;

namespace {

QToolButton *EncodingButton(TMDIChild &w)
{
    return w.findChild<QToolButton *>(QStringLiteral("EncodingButton"));
}

// Whether the screen's store holds `line` whole (ended as the server ended it).
bool ScreenHolds(TMDIChild &w, const QString &line)
{
    return testsupport::StoreHolds(w, gbk::FromQString(line) + "\r\n");
}

} // namespace

class Encodings : public testsupport::FrameFixture<testsupport::MultiClientServer>
{
protected:
    // Characters no key press makes, as an input method puts them in the line.
    void EnterLine(const QString &text)
    {
        CommandInput()->clear();
        CommandInput()->insert(text);
        QTest::keyClick(CommandInput(), Qt::Key_Return);
    }
    void Say(const QByteArray &bytes) { server->sockets[0]->write(bytes); }
    QByteArray &got() { return server->received[0]; }
};

TEST_F(Encodings, Utf8ServerOnAutoPlaysNameTriggerAndTypedChinese)
{
    TMDIChild *w = Open();
    ASSERT_TRUE(w);
    ASSERT_EQ(EncodingButton(*w)->text(), QStringLiteral("自动"));
    // A trigger written in the editor, in the player's own characters.
    automation::TAutoSetting editor;
    editor.LoadFromSession(*w);
    editor.Edit1->insert(QStringLiteral("(*)向你鞠躬"));
    editor.Memo1->insertPlainText(QStringLiteral("回礼 %0"));
    QTest::mouseClick(editor.yesbutton, Qt::LeftButton);
    QTest::mouseClick(editor.BitBtn5, Qt::LeftButton);

    Say(QStringLiteral("\x1b[1;37m欢迎来到泥巴\x1b[0m\r\n请输入你的名字：").toUtf8());
    ASSERT_TRUE(WaitFor([&] { return w->nameCaptureStage() == 1; }));
    ASSERT_EQ(EncodingButton(*w)->text(), QStringLiteral("UTF-8（自动）"));
    ASSERT_TRUE(WaitFor([&] { return ScreenHolds(*w, QStringLiteral("欢迎来到泥巴")); }));

    EnterLine(QStringLiteral("侠客"));
    ASSERT_TRUE(WaitFor([&] { return got() == QStringLiteral("侠客\n").toUtf8(); }));
    ASSERT_EQ(w->windowTitle(), QStringLiteral("mud(侠客)"));

    Say(QStringLiteral("小狗向你鞠躬\r\n").toUtf8());
    ASSERT_TRUE(WaitFor([&] { return got().endsWith(QStringLiteral("回礼 小狗\n").toUtf8()); }));
}

TEST_F(Encodings, Big5SiteSaysOnceWhatItCannotSendAndTheMenuSwitchesTheRunningWindow)
{
    TMDIChild *w = Open(QStringLiteral("tw"), session::Encoding::kBig5);
    ASSERT_TRUE(w);
    ASSERT_EQ(EncodingButton(*w)->text(), QStringLiteral("Big5"));
    Say(QByteArray("\xA7\x41\xA6\x6E\r\n")); // 你好 in Big5
    ASSERT_TRUE(WaitFor([&] { return ScreenHolds(*w, QStringLiteral("你好")); }));

    // A character Big5 has no place for goes as "?", and the window says so once.
    EnterLine(QStringLiteral("say 你😀"));
    ASSERT_TRUE(WaitFor([&] { return got() == QByteArray("say \xA7\x41?\n"); }));
    QLabel *status = w->findChild<QLabel *>();
    ASSERT_TRUE(status->text().contains(QStringLiteral("😀"))) << status->text().toStdString();
    status->clear();
    EnterLine(QStringLiteral("say 😀"));
    ASSERT_TRUE(WaitFor([&] { return got().endsWith("say ?\n"); }));
    ASSERT_TRUE(status->text().isEmpty());

    // The player switches the running window to UTF-8: the next bytes both ways.
    QMenu *menu = EncodingButton(*w)->menu();
    menu->actions()[3]->trigger(); // 自动, GBK, GB18030, UTF-8, Big5
    ASSERT_EQ(EncodingButton(*w)->text(), QStringLiteral("UTF-8"));
    Say(QStringLiteral("再见\r\n").toUtf8());
    ASSERT_TRUE(WaitFor([&] { return ScreenHolds(*w, QStringLiteral("再见")); }));
    EnterLine(QStringLiteral("你"));
    ASSERT_TRUE(WaitFor([&] { return got().endsWith(QStringLiteral("你\n").toUtf8()); }));
}
