// The program's application object and the small things a player sees at once:
// an exception escaping a handler is shown and the program goes on; the
// toolkit's own buttons speak Chinese; the proxy port shows five digits; the
// group editor's list follows the keys.
#include "support/FakeSessionPort.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "ui/automation/CommandGroupEditor.h"
#include "ui/platform/GuardedApplication.h"
#include "ui/platform/SystemMessage.h"
#include "ui/platform/ToolkitLanguage.h"
#include "ui/sites/SiteDialog.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using sites::TBookMark;

using testsupport::WaitFor;

namespace {

// A control whose handler fails the way reading a huge file can.
class FailingButton : public QWidget
{
public:
    int presses = 0;
    bool throwBadAlloc = true;

protected:
    void mousePressEvent(QMouseEvent *) override
    {
        ++presses;
        if (throwBadAlloc)
            throw std::bad_alloc();
        throw std::runtime_error("file too large");
    }
};

} // namespace

class ApplicationGuard : public ::testing::Test
{
protected:
    void SetUp() override {}

    void TearDown() override {}
};
;

// The program's own application object, so the events go through its guard.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::GuardedApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST_F(ApplicationGuard, EscapedExceptionIsShownAndTheProgramGoesOn)
{
    QStringList shown;
    platform::SetMessagePresenter(
        [&](QWidget *, const QString &text, platform::MessageIcon) { shown << text; });
    FailingButton button;
    button.resize(40, 40);
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1);
    ASSERT_EQ(shown[0], QStringLiteral("内存不足，这一操作没有完成。"));
    // Still running: the next event is delivered and fails on its own.
    button.throwBadAlloc = false;
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(button.presses, 2);
    ASSERT_EQ(shown.size(), 2);
    ASSERT_TRUE(shown[1].contains(QStringLiteral("file too large")));
    // And a queued call after them runs as usual.
    bool ran = false;
    QMetaObject::invokeMethod(
        &button, [&] { ran = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(WaitFor([&] { return bool(ran); }));
    platform::SetMessagePresenter({});
}

TEST_F(ApplicationGuard, StandardButtonsReadChinese)
{
    ASSERT_TRUE(platform::LoadToolkitTranslations(*QCoreApplication::instance()));
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    ASSERT_EQ(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
    ASSERT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
}

TEST_F(ApplicationGuard, ProxyPortShowsFiveDigitsWhole)
{
    QTemporaryDir dir;
    TBookMark dialog(std::filesystem::path(dir.path().toStdString()));
    dialog.show();
    QLineEdit *port = dialog.Edit2;
    port->setText(QStringLiteral("65535"));
    auto caret = [port] { return port->inputMethodQuery(Qt::ImCursorRectangle).toRect(); };
    port->home(false);
    const int start = caret().center().x();
    port->end(false);
    const int end = caret().center().x();
    // Unscrolled: the caret at the end stands the text's full width from the start.
    ASSERT_EQ(end - start, port->fontMetrics().horizontalAdvance(QStringLiteral("65535")));
    ASSERT_TRUE(caret().right() <= port->contentsRect().right());
}

TEST_F(ApplicationGuard, GroupListFollowsTheKeysLikeAClick)
{
    testsupport::FakeSessionPort window;
    window.groups().Replace({"kk", "heal"}, {"kill rat", "eat\r\ndrink"});
    automation::TfCmdsGroup editor;
    editor.LoadGroups(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    QTest::mouseClick(editor.ListBox1->viewport(), Qt::LeftButton, {},
                      editor.ListBox1->visualItemRect(editor.ListBox1->item(0)).center());
    ASSERT_EQ(editor.Edit1->text(), QStringLiteral("kk"));
    QTest::keyClick(editor.ListBox1, Qt::Key_Down);
    ASSERT_EQ(editor.Edit1->text(), QStringLiteral("heal"));
    ASSERT_EQ(editor.Memo1->toPlainText(), QStringLiteral("eat\ndrink"));
    QTest::keyClick(editor.ListBox1, Qt::Key_Up);
    ASSERT_EQ(editor.Edit1->text(), QStringLiteral("kk"));
}
