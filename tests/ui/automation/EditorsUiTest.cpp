// Drives the trigger editor and the command group editor against real game
// windows: what is typed and applied there must change what the window sends
// to its server, and what is discarded must change nothing.
#include "core/session/SessionCodes.h"
#include "support/HookedFrame.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "ui/automation/CommandGroupEditor.h"
#include "ui/automation/TriggerEditor.h"
#include "ui/session/GameConnection.h"
#include "ui/session/GameWindow.h"

#include <gtest/gtest.h>
#include <memory>

#include <QComboBox>
#include <QHostAddress>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using testsupport::WaitFor;

using namespace session;

namespace {

const std::string kOn(automation::kTriggerOn);

QString Cell(const QTableWidget *grid, int row, int column)
{
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
}

void Click(QPushButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void ClickCell(QTableWidget *grid, int row, int column)
{
    const QRect box = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, box.center());
}

// Types a trigger into the editor's fields and confirms it.
void TypeTrigger(automation::TAutoSetting &editor, const QString &match, const QString &command,
                 const QString &group)
{
    QTest::keyClicks(editor.Edit1, match);
    QTest::keyClicks(editor.Memo1, command);
    QTest::keyClicks(editor.ComboBox1, group);
    Click(editor.yesbutton);
}

} // namespace

class Editors : public ::testing::Test
{
protected:
    // Declared before the windows: a window keeps a pointer to the hooks.
    testsupport::HookedFrame dialogs;
    std::unique_ptr<automation::TAutoSetting> triggerEditor;
    std::unique_ptr<automation::TfCmdsGroup> groupEditor;
    std::unique_ptr<QTcpServer> server;
    std::unique_ptr<TMDIChild> w1;
    std::unique_ptr<TMDIChild> w2;
    QTcpSocket *peer = nullptr; // w1's connection, server side
    QByteArray received;

    // Connects w1 to the in-process server and keeps what it is sent.
    void ConnectFirstWindow()
    {
        w1->Connect({"127.0.0.1", server->serverPort(), false, "", 0, false, "", ""});
        ASSERT_TRUE(WaitFor([&] { return bool(server->hasPendingConnections()); }, 5000));
        peer = server->nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [this] { received += peer->readAll(); });
        ASSERT_TRUE(WaitFor([&] { return bool(w1->connection().IsOpen()); }, 5000));
    }

    static automation::TriggerTable Table(TMDIChild &w)
    {
        return w.screen().triggers()->Snapshot();
    }

    // Two triggers in two groups, typed into w1's editor and applied.
    void ApplyTwoTriggers()
    {
        triggerEditor->LoadFromSession(*w1);
        TypeTrigger(*triggerEditor, QStringLiteral("hp low"), QStringLiteral("eat"),
                    QStringLiteral("b"));
        TypeTrigger(*triggerEditor, QStringLiteral("(*) attacks you"), QStringLiteral("kill %0"),
                    QStringLiteral("a"));
        Click(triggerEditor->BitBtn5);
    }

    void SetUp() override
    {
        triggerEditor = std::make_unique<automation::TAutoSetting>();
        groupEditor = std::make_unique<automation::TfCmdsGroup>();
        server = std::make_unique<QTcpServer>();
        ASSERT_TRUE(server->listen(QHostAddress::LocalHost, 0));
        w1 = std::make_unique<TMDIChild>(nullptr, "", &dialogs);
        w2 = std::make_unique<TMDIChild>(nullptr, "", &dialogs);
        received.clear();
        peer = nullptr;
    }

    void TearDown() override
    {
        w1.reset();
        w2.reset();
        server.reset();
        groupEditor.reset();
        triggerEditor.reset();
    }
};
;

TEST_F(Editors, TypedTriggersAreSortedAndTheStarIsSwallowed)
{
    triggerEditor->LoadFromSession(*w1);
    automation::TAutoSetting &ed = *triggerEditor;
    ASSERT_TRUE(ed.isVisible());
    ASSERT_EQ(ed.windowTitle(), QStringLiteral("自动设置"));
    ASSERT_EQ(ed.datalist->rowCount(), 1); // the blank row of an empty table

    QTest::keyClicks(ed.ComboBox1, QStringLiteral("f*i*ght"));
    ASSERT_EQ(ed.ComboBox1->currentText(), QStringLiteral("fight"));
    QTest::keyClicks(ed.Edit1, QStringLiteral("(*) attacks you"));
    QTest::keyClicks(ed.Memo1, QStringLiteral("kill %0"));
    Click(ed.yesbutton);
    // Fields are emptied after a confirm.
    ASSERT_TRUE(ed.Edit1->text().isEmpty());
    ASSERT_TRUE(ed.Memo1->toPlainText().isEmpty());
    ASSERT_TRUE(ed.ComboBox1->currentText().isEmpty());

    TypeTrigger(ed, QStringLiteral("you flee"), QStringLiteral("wimpy"), QStringLiteral("FIGHT"));
    TypeTrigger(ed, QStringLiteral("hp low"), QStringLiteral("eat"), QStringLiteral("eat"));
    // A confirm with no command does nothing.
    TypeTrigger(ed, QStringLiteral("nothing"), QString(), QStringLiteral("a"));
    ASSERT_EQ(ed.Edit1->text(), QStringLiteral("nothing"));
    Click(ed.cancelbutton);
    ASSERT_TRUE(ed.Edit1->text().isEmpty());

    ASSERT_EQ(ed.datalist->rowCount(), 4);
    ASSERT_EQ(Cell(ed.datalist, 0, 2), QStringLiteral("hp low"));
    ASSERT_EQ(Cell(ed.datalist, 1, 1), QStringLiteral("FIGHT"));
    ASSERT_EQ(Cell(ed.datalist, 1, 2), QStringLiteral("(*) attacks you"));
    ASSERT_EQ(Cell(ed.datalist, 2, 2), QStringLiteral("you flee"));
    ASSERT_EQ(Cell(ed.datalist, 1, 0), QStringLiteral("√"));
    ASSERT_EQ(ed.ComboBox1->count(), 2); // FIGHT once, EAT

    // A click on a row shows it; a click in column 0 toggles its mark.
    ClickCell(ed.datalist, 1, 2);
    ASSERT_EQ(ed.Edit1->text(), QStringLiteral("(*) attacks you"));
    ASSERT_EQ(ed.Memo1->toPlainText(), QStringLiteral("kill %0\n"));
    ASSERT_EQ(ed.ComboBox1->currentText(), QStringLiteral("FIGHT"));
    ClickCell(ed.datalist, 2, 0);
    ASSERT_EQ(Cell(ed.datalist, 2, 0), QString());

    // Confirming the shown row replaces it: it moves to the end of its group.
    ClickCell(ed.datalist, 1, 1);
    Click(ed.yesbutton);
    ASSERT_EQ(ed.datalist->rowCount(), 4);
    ASSERT_EQ(Cell(ed.datalist, 1, 2), QStringLiteral("you flee"));
    ASSERT_EQ(Cell(ed.datalist, 2, 2), QStringLiteral("(*) attacks you"));

    // Delete: the selection keeps its number, the blank row stays.
    ClickCell(ed.datalist, 2, 1);
    Click(ed.deletebutton);
    ASSERT_EQ(ed.datalist->rowCount(), 3);
    ASSERT_EQ(ed.rules().selectedRow, 3);
    Click(ed.deletebutton);
    ASSERT_EQ(ed.datalist->rowCount(), 3);

    Click(ed.BitBtn5);
    ASSERT_TRUE(!ed.isVisible());
    const automation::TriggerTable t = Table(*w1);
    ASSERT_EQ(t.size(), std::size_t{3});
    ASSERT_EQ(t.triggerPatterns[0], std::string("hp low"));
    ASSERT_EQ(t.triggerPatterns[1], std::string("you flee"));
    ASSERT_EQ(t.triggerEnabled[1], std::string());
    ASSERT_EQ(t.triggerCommands[0], std::string("eat\n"));
    ASSERT_EQ(t.triggerGroups[1], std::string("FIGHT"));
    ASSERT_EQ(Table(*w2).size(), std::size_t{0});
}

TEST_F(Editors, BlankLastRowNeverBecomesATrigger)
{
    triggerEditor->LoadFromSession(*w1);
    automation::TAutoSetting &ed = *triggerEditor;
    TypeTrigger(ed, QStringLiteral("hp low"), QStringLiteral("eat"), QStringLiteral("eat"));
    ASSERT_EQ(ed.datalist->rowCount(), 2);
    // The blank row fills the fields with blanks; confirming stores nothing.
    ClickCell(ed.datalist, 1, 2);
    ASSERT_EQ(ed.Edit1->text(), QStringLiteral(" "));
    Click(ed.yesbutton);
    ASSERT_EQ(ed.datalist->rowCount(), 2);
    // Nor does a typed match text of blanks.
    TypeTrigger(ed, QStringLiteral("   "), QStringLiteral("look"), QString());
    ASSERT_EQ(ed.datalist->rowCount(), 2);
    Click(ed.BitBtn5);
    const automation::TriggerTable t = Table(*w1);
    ASSERT_EQ(t.size(), std::size_t{2});
    ASSERT_EQ(t.triggerPatterns[0], std::string("hp low"));
}

TEST_F(Editors, AppliedTriggersFireAndOneGroupCanBeStopped)
{
    ApplyTwoTriggers();
    ConnectFirstWindow();

    w1->screen().Enqueue("The orc attacks you\r\n");
    ASSERT_TRUE(WaitFor([&] { return bool(received.contains("kill The orc\n")); }, 5000));
    w1->screen().Enqueue("your hp low!\r\n");
    ASSERT_TRUE(WaitFor([&] { return bool(received.contains("eat\n")); }, 5000));

    // "#T- A" stops group A only.
    w1->StartCommandRun("#T- A");
    ASSERT_TRUE(
        WaitFor([&] { return (Table(*w1).triggerEnabled[0]) == (std::string(" ")); }, 5000));
    ASSERT_EQ(Table(*w1).triggerEnabled[1], kOn);
    received.clear();
    w1->screen().Enqueue("A rat attacks you\r\nhp low\r\n");
    ASSERT_TRUE(WaitFor([&] { return bool(received.contains("eat\n")); }, 5000));
    // A runner started after both lines were scanned marks the point by
    // which a firing of the switched-off group would have been sent.
    w1->StartCommandRun("marker");
    ASSERT_TRUE(WaitFor([&] { return bool(received.contains("marker\n")); }, 5000));
    ASSERT_TRUE(!received.contains("kill")) << received.constData();

    // The other window has its own, empty table.
    ASSERT_EQ(Table(*w2).size(), std::size_t{0});
}

TEST_F(Editors, OpeningForAnotherWindowReloadsAndDiscardLeavesTablesAlone)
{
    ApplyTwoTriggers();
    const automation::TriggerTable before = Table(*w1);

    triggerEditor->LoadFromSession(*w1);
    automation::TAutoSetting &ed = *triggerEditor;
    ASSERT_EQ(ed.datalist->rowCount(), 3);
    ASSERT_EQ(ed.ComboBox1->count(), 3); // A, B and the blank row's group
    TypeTrigger(ed, QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("c"));
    triggerEditor->LoadFromSession(*w2);
    ASSERT_TRUE(ed.isVisible());
    ASSERT_EQ(ed.datalist->rowCount(), 1);
    ASSERT_EQ(ed.ComboBox1->count(), 0);

    // Back on w1: the unapplied row is gone; delete one and discard.
    triggerEditor->LoadFromSession(*w1);
    ASSERT_EQ(ed.datalist->rowCount(), 3);
    ClickCell(ed.datalist, 0, 0);
    ClickCell(ed.datalist, 0, 1);
    Click(ed.deletebutton);
    ASSERT_EQ(ed.datalist->rowCount(), 2);
    Click(ed.BitBtn6);
    ASSERT_TRUE(!ed.isVisible());
    const automation::TriggerTable after = Table(*w1);
    ASSERT_EQ(after.triggerPatterns, before.triggerPatterns);
    ASSERT_EQ(after.triggerEnabled, before.triggerEnabled);
    ASSERT_EQ(after.triggerCommands, before.triggerCommands);
    ASSERT_EQ(Table(*w2).size(), std::size_t{0});

    // The group editor's discard too.
    w1->groups().Replace({"kk"}, {"look"});
    groupEditor->LoadGroups(*w1);
    QTest::keyClicks(groupEditor->Edit1, QStringLiteral("new"));
    QTest::keyClicks(groupEditor->Memo1, QStringLiteral("say hi"));
    Click(groupEditor->BitBtn2);
    ASSERT_EQ(groupEditor->ListBox1->count(), 2);
    Click(groupEditor->BitBtn1);
    ASSERT_TRUE(!groupEditor->isVisible());
    ASSERT_EQ(w1->groups().Snapshot().groupNames, std::vector<std::string>{"kk"});
}

TEST_F(Editors, ClosingTheBoundWindowLeavesTheEditorSafe)
{
    triggerEditor->LoadFromSession(*w1);
    groupEditor->LoadGroups(*w1);
    w1.reset();
    ASSERT_TRUE(!triggerEditor->isVisible());
    ASSERT_TRUE(!groupEditor->isVisible());
    // Applying now has no table to go to, and must not reach the freed window.
    triggerEditor->BitBtn5Click();
    groupEditor->BitBtn4Click();
}

TEST_F(Editors, TypedCommandGroupExpandsWhenRun)
{
    ConnectFirstWindow();
    groupEditor->LoadGroups(*w1);
    automation::TfCmdsGroup &ed = *groupEditor;
    ASSERT_TRUE(ed.isVisible());
    ASSERT_EQ(ed.windowTitle(), QStringLiteral("命令组"));
    ASSERT_EQ(ed.ListBox1->count(), 0);

    QTest::keyClicks(ed.Edit1, QStringLiteral("kk"));
    QTest::keyClicks(ed.Memo1, QStringLiteral("wield knife"));
    Click(ed.BitBtn2);
    QTest::keyClicks(ed.Edit1, QStringLiteral("b"));
    QTest::keyClicks(ed.Memo1, QStringLiteral("say done"));
    Click(ed.BitBtn2);
    ASSERT_TRUE(ed.Edit1->text().isEmpty());
    ASSERT_EQ(ed.ListBox1->count(), 2);

    // Clicking a group shows it; confirming its name again replaces the
    // content in place.
    QListWidgetItem *first = ed.ListBox1->item(0);
    QTest::mouseClick(ed.ListBox1->viewport(), Qt::LeftButton, {},
                      ed.ListBox1->visualItemRect(first).center());
    ASSERT_EQ(ed.Edit1->text(), QStringLiteral("kk"));
    ASSERT_EQ(ed.Memo1->toPlainText(), QStringLiteral("wield knife"));
    ed.Memo1->clear();
    QTest::keyClicks(ed.Memo1, QStringLiteral("wield sword"));
    QTest::keyClick(ed.Memo1, Qt::Key_Return);
    QTest::keyClicks(ed.Memo1, QStringLiteral("#2 kill rat"));
    Click(ed.BitBtn2);
    ASSERT_EQ(ed.ListBox1->item(0)->text(), QStringLiteral("kk"));
    ASSERT_EQ(ed.rules().editContents[0], std::string("wield sword\r\n#2 kill rat"));

    // A blank name is refused; "新建" empties the fields.
    QTest::keyClicks(ed.Edit1, QStringLiteral("  "));
    QTest::keyClicks(ed.Memo1, QStringLiteral("x"));
    Click(ed.BitBtn2);
    ASSERT_EQ(ed.ListBox1->count(), 2);
    Click(ed.newButton);
    ASSERT_TRUE(ed.Memo1->toPlainText().isEmpty());

    // Delete needs a selection.
    QTest::keyClicks(ed.Edit1, QStringLiteral("gone"));
    QTest::keyClicks(ed.Memo1, QStringLiteral("x"));
    Click(ed.BitBtn2);
    ed.ListBox1->clearSelection();
    Click(ed.BitBtn3);
    ASSERT_EQ(ed.ListBox1->count(), 3);
    ed.ListBox1->item(2)->setSelected(true);
    Click(ed.BitBtn3);
    ASSERT_EQ(ed.ListBox1->count(), 2);

    Click(ed.BitBtn4);
    ASSERT_TRUE(!ed.isVisible());
    ASSERT_EQ(w2->groups().Snapshot().groupNames.size(), std::size_t{0});

    w1->StartCommandRun("kk;look");
    ASSERT_TRUE(WaitFor([&] { return bool(received.contains("look\n")); }, 5000));
    ASSERT_EQ(received, QByteArray("wield sword\nkill rat\nkill rat\nlook\n"));
    received.clear();
    w1->StartCommandRun("b");
    ASSERT_TRUE(WaitFor([&] { return (received) == (QByteArray("say done\n")); }, 5000));
}
