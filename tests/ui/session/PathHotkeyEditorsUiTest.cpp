// The hotkey, path and direction editors driven with real keys and clicks on a
// stand-in window: what the key field shows, what "关闭" hands back, what
// "放弃"/"取消" and reopening drop, and that an editor whose window closed
// while it was open writes nowhere.
#include "support/FakeSessionPort.h"
#include "support/MessageLog.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "support/TableRows.h"
#include "ui/platform/SystemMessage.h"
#include "ui/session/DirectionEditor.h"
#include "ui/session/PathEditor.h"
#include "ui/shell/HotkeyEditor.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using session::SessionPort;

using testsupport::WaitFor;

using testsupport::FakeSessionPort;
using Strings = std::vector<std::string>;

namespace {

void Click(QPushButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void ClickRow(QListWidget *list, int row)
{
    const QRect box = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
}

QStringList Items(const QListWidget *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

} // namespace

class PathHotkeyEditors : public ::testing::Test
{
protected:
    testsupport::MessageLog messages;

    void SetUp() override { messages.clear(); }
};

TEST_F(PathHotkeyEditors, KeyFieldShowsTheLastKeyName)
{
    struct Row
    {
        const char *label;
        int key;
        int modifiers;
        QString name;
    };
    const Row rows[] = {
        {"F5", int(Qt::Key_F5), 0, "F5"},
        {"F10", int(Qt::Key_F10), 0, "F:"},
        {"Ctrl+A", int(Qt::Key_A), int(Qt::ControlModifier), "Ctrl+A"},
        {"Up is a key here", int(Qt::Key_Up), 0, "&"},
        {"Shift+Down", int(Qt::Key_Down), int(Qt::ShiftModifier), "Shift+("},
        {"Ctrl alone", int(Qt::Key_Control), int(Qt::ControlModifier), "Ctrl+"},
        {"Space empties", int(Qt::Key_Space), 0, ""},
        {"Enter empties", int(Qt::Key_Return), 0, ""},
        {"Escape stays in the field", int(Qt::Key_Escape), 0, ""},
    };
    for (const Row &row : rows) {
        FRESH_FIXTURE_FOR_ROW(row, rows);
        const auto &[label, key, modifiers, name] = row;
        FakeSessionPort port;
        shell::TFastKey editor;
        editor.LoadHotkeys(port);
        // Something typed first: a key press replaces it, typing never adds.
        QTest::keyClicks(editor.Edit1, QStringLiteral("abc"));
        ASSERT_EQ(editor.Edit1->text(), QStringLiteral("C"));
        QTest::keyClick(editor.Edit1, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        ASSERT_EQ(editor.Edit1->text(), name);
        ASSERT_TRUE(editor.isVisible());
    }
}

TEST_F(PathHotkeyEditors, HotkeyEditorConfirmsDeletesAndWritesBack)
{
    FakeSessionPort port;
    port.hotkeyLists = {{"F1", "F2"}, {"look", "hp"}};
    shell::TFastKey editor;
    editor.LoadHotkeys(port);
    ASSERT_EQ(Items(editor.ListBox1), (QStringList{"F1", "F2"}));

    // Confirming a listed name replaces its command where it stands.
    ClickRow(editor.ListBox1, 0);
    ASSERT_EQ(editor.Edit1->text(), QStringLiteral("F1"));
    ASSERT_EQ(editor.Memo1->toPlainText(), QStringLiteral("look"));
    editor.Memo1->setPlainText(QStringLiteral("n\ne"));
    Click(editor.BitBtn2);
    ASSERT_TRUE(editor.Edit1->text().isEmpty() && editor.Memo1->toPlainText().isEmpty());
    // A new name goes last; an empty command is refused.
    QTest::keyClick(editor.Edit1, Qt::Key_F5);
    Click(editor.BitBtn2);
    ASSERT_EQ(editor.Edit1->text(), QStringLiteral("F5"));
    QTest::keyClicks(editor.Memo1, QStringLiteral("say hi"));
    Click(editor.BitBtn2);
    ASSERT_EQ(Items(editor.ListBox1), (QStringList{"F1", "F2", "F5"}));
    // "删除" with nothing selected deletes nothing and keeps what is half
    // typed; with a row, that row.
    QTest::keyClick(editor.Edit1, Qt::Key_F7);
    QTest::keyClicks(editor.Memo1, QStringLiteral("kill dog"));
    Click(editor.BitBtn4);
    ASSERT_EQ(editor.ListBox1->count(), 3);
    ASSERT_EQ(editor.Edit1->text(), QStringLiteral("F7"));
    ASSERT_EQ(editor.Memo1->toPlainText(), QStringLiteral("kill dog"));
    ClickRow(editor.ListBox1, 1);
    Click(editor.BitBtn4);
    ASSERT_EQ(Items(editor.ListBox1), (QStringList{"F1", "F5"}));
    // "取消" and "新建" only empty the fields.
    QTest::keyClick(editor.Edit1, Qt::Key_F9);
    Click(editor.BitBtn3);
    ASSERT_TRUE(editor.Edit1->text().isEmpty());
    ASSERT_EQ(port.hotkeyLists.hotkeyNames, (Strings{"F1", "F2"}));

    Click(editor.BitBtn5);
    ASSERT_TRUE(!editor.isVisible());
    ASSERT_EQ(port.hotkeyLists.hotkeyNames, (Strings{"F1", "F5"}));
    ASSERT_EQ(port.hotkeyLists.hotkeyCommands, (Strings{"n\r\ne", "say hi"}));
}

TEST_F(PathHotkeyEditors, HotkeyEditsDroppedByDiscardReopenOrClosedWindow)
{
    FakeSessionPort port;
    port.hotkeyLists = {{"F1"}, {"look"}};
    shell::TFastKey editor;
    editor.LoadHotkeys(port);
    Click(editor.BitBtn4);
    ClickRow(editor.ListBox1, 0);
    Click(editor.BitBtn4);
    ASSERT_EQ(editor.ListBox1->count(), 0);
    Click(editor.BitBtn4); // an empty list: nothing
    Click(editor.BitBtn6);
    ASSERT_TRUE(!editor.isVisible());
    ASSERT_EQ(port.hotkeyLists.hotkeyNames, Strings{"F1"});

    // Reopening drops the edits made since the last opening.
    editor.LoadHotkeys(port);
    ClickRow(editor.ListBox1, 0);
    Click(editor.BitBtn4);
    editor.LoadHotkeys(port);
    ASSERT_EQ(Items(editor.ListBox1), QStringList{"F1"});

    // The window goes while the editor is open: "关闭" writes nowhere.
    auto other = std::make_unique<FakeSessionPort>();
    editor.LoadHotkeys(*other);
    QTest::keyClick(editor.Edit1, Qt::Key_F2);
    QTest::keyClicks(editor.Memo1, QStringLiteral("x"));
    Click(editor.BitBtn2);
    other->Close();
    ASSERT_TRUE(!editor.bound());
    Click(editor.BitBtn5);
    ASSERT_TRUE(!editor.isVisible());
    ASSERT_EQ(port.hotkeyLists.hotkeyNames, Strings{"F1"});
}

TEST_F(PathHotkeyEditors, PathEditorAppliesOnCloseOnly)
{
    FakeSessionPort port;
    port.pathLists = {{"home"}, {"n\r\ne"}};
    port.slowDelay = 900;
    session::TRoadSetting editor;
    editor.ShowFor(port);
    ASSERT_EQ(Items(editor.ListBox1), QStringList{"home"});
    ASSERT_EQ(editor.Edit2->text(), QStringLiteral("900"));

    ClickRow(editor.ListBox1, 0);
    ASSERT_EQ(editor.Edit1->text(), QStringLiteral("home"));
    ASSERT_EQ(editor.Memo1->toPlainText(), QStringLiteral("n\ne"));
    editor.Memo1->setPlainText(QStringLiteral("n\ne\nu"));
    Click(editor.BitBtn1);
    QTest::keyClicks(editor.Edit1, QStringLiteral("bank"));
    Click(editor.BitBtn1); // no text: nothing
    ASSERT_EQ(editor.ListBox1->count(), 1);
    QTest::keyClicks(editor.Memo1, QStringLiteral("w"));
    Click(editor.BitBtn1);
    ASSERT_EQ(Items(editor.ListBox1), (QStringList{"home", "bank"}));
    Click(editor.BitBtn2); // nothing selected
    ASSERT_EQ(editor.ListBox1->count(), 2);

    // A delay that is no number: the message, nothing applied, still open.
    editor.Edit2->setText(QStringLiteral("fast"));
    Click(editor.BitBtn5);
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("慢速延迟必须输入数字类型!")});
    ASSERT_TRUE(editor.isVisible());
    ASSERT_EQ(port.pathLists.pathNames, Strings{"home"});
    ASSERT_EQ(port.slowDelay, 900);

    editor.Edit2->setText(QStringLiteral("2000"));
    Click(editor.BitBtn5);
    ASSERT_TRUE(!editor.isVisible());
    ASSERT_EQ(port.pathLists.pathNames, (Strings{"home", "bank"}));
    ASSERT_EQ(port.pathLists.pathTexts, (Strings{"n\r\ne\r\nu", "w"}));
    ASSERT_EQ(port.slowDelay, 2000);

    // "取消" keeps paths and delay as they were.
    editor.ShowFor(port);
    ClickRow(editor.ListBox1, 0);
    Click(editor.BitBtn2);
    editor.Edit2->setText(QStringLiteral("5"));
    Click(editor.BitBtn6);
    ASSERT_EQ(port.pathLists.pathNames, (Strings{"home", "bank"}));
    ASSERT_EQ(port.slowDelay, 2000);
}

TEST_F(PathHotkeyEditors, RecordingWaitsInTheMemoAndClosedWindowGetsNothing)
{
    auto port = std::make_unique<FakeSessionPort>();
    session::TRoadSetting editor;
    editor.ShowRecording(*port, "n\r\n#2 s\r\n");
    ASSERT_EQ(editor.Memo1->toPlainText(), QStringLiteral("n\n#2 s\n"));
    ASSERT_TRUE(editor.Edit1->text().isEmpty());
    QTest::keyClicks(editor.Edit1, QStringLiteral("route"));
    Click(editor.BitBtn1);
    port->Close();
    Click(editor.BitBtn4); // "设置" has no window to open on
    Click(editor.BitBtn5);
    ASSERT_TRUE(!editor.isVisible());
    ASSERT_TRUE(messages.empty());
}

TEST_F(PathHotkeyEditors, DirectionEditorFromThePathEditor)
{
    FakeSessionPort port;
    session::TRoadSetting paths;
    session::TDirectSet directions;
    paths.openDirectionEditor = [&](SessionPort &window) { directions.LoadDirections(window); };
    paths.ShowFor(port);
    Click(paths.BitBtn4);
    ASSERT_TRUE(directions.isVisible());
    ASSERT_EQ(directions.ListBox1->count(), 17);
    ASSERT_EQ(directions.ListBox2->item(2)->text(), QStringLiteral("n"));
    // Scrolling one column scrolls the other with it.
    directions.ListBox2->scrollToItem(directions.ListBox2->item(16));
    ASSERT_TRUE(directions.ListBox1->verticalScrollBar()->value() > 0);
    ASSERT_EQ(directions.ListBox1->verticalScrollBar()->value(),
              directions.ListBox2->verticalScrollBar()->value());
    directions.ListBox1->scrollToItem(directions.ListBox1->item(0));

    // A click in either list stands both on that row.
    ClickRow(directions.ListBox2, 3);
    ASSERT_EQ(directions.ListBox1->currentRow(), 3);
    ASSERT_EQ(directions.Edit1->text(), QStringLiteral("south"));
    ASSERT_EQ(directions.Edit2->text(), QStringLiteral("north"));
    // A pair naming a listed word replaces that row.
    directions.Edit1->setText(QStringLiteral("south"));
    directions.Edit2->setText(QStringLiteral("nord"));
    Click(directions.BitBtn2);
    ASSERT_EQ(directions.ListBox2->item(3)->text(), QStringLiteral("nord"));
    ASSERT_TRUE(directions.Edit1->text().isEmpty());
    // A new pair goes last; "删除" takes the row selected in the first list.
    directions.Edit1->setText(QStringLiteral("in"));
    directions.Edit2->setText(QStringLiteral("out"));
    Click(directions.BitBtn2);
    ASSERT_EQ(directions.ListBox1->count(), 18);
    ClickRow(directions.ListBox1, 0);
    Click(directions.BitBtn4);
    ASSERT_EQ(directions.ListBox1->item(0)->text(), QStringLiteral("east"));
    ASSERT_EQ(directions.ListBox1->count(), 17);

    // "关闭" applies at once, whatever the path editor does next.
    Click(directions.BitBtn5);
    Click(paths.BitBtn6);
    ASSERT_EQ(port.directionPairs.forwardDirections.size(), 17u);
    ASSERT_EQ(port.directionPairs.reverseDirections[2], "nord");
    ASSERT_EQ(port.directionPairs.forwardDirections.back(), "in");

    // "取消" applies nothing; a closed window gets nothing either.
    directions.LoadDirections(port);
    ClickRow(directions.ListBox1, 0);
    Click(directions.BitBtn4);
    Click(directions.BitBtn6);
    ASSERT_EQ(port.directionPairs.forwardDirections.size(), 17u);
    auto gone = std::make_unique<FakeSessionPort>();
    directions.LoadDirections(*gone);
    ClickRow(directions.ListBox1, 0);
    Click(directions.BitBtn4);
    gone->Close();
    Click(directions.BitBtn5);
    ASSERT_TRUE(!directions.isVisible());
}
