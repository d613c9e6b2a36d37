// Drives the trigger editor and the command group editor against real game
// windows: what is typed and applied there must change what the window sends
// to its server, and what is discarded must change nothing.
#include "core/session/SessionCodes.h"
#include "ui/automation/CommandGroupEditor.h"
#include "ui/automation/TriggerEditor.h"
#include "ui/session/GameConnection.h"
#include "ui/session/GameWindow.h"

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
void TypeTrigger(TAutoSetting &editor, const QString &match, const QString &command,
                 const QString &group)
{
    QTest::keyClicks(editor.Edit1, match);
    QTest::keyClicks(editor.Memo1, command);
    QTest::keyClicks(editor.ComboBox1, group);
    Click(editor.yesbutton);
}

} // namespace

class EditorsUiTest : public QObject
{
    Q_OBJECT

private:
    // Declared before the windows: a window keeps a pointer to the hooks.
    SessionDialogs dialogs;
    std::unique_ptr<TAutoSetting> triggerEditor;
    std::unique_ptr<TfCmdsGroup> groupEditor;
    std::unique_ptr<QTcpServer> server;
    std::unique_ptr<TMDIChild> w1;
    std::unique_ptr<TMDIChild> w2;
    QTcpSocket *peer = nullptr; // w1's connection, server side
    QByteArray received;

    // Connects w1 to the in-process server and keeps what it is sent.
    void ConnectFirstWindow()
    {
        w1->Connect({"127.0.0.1", server->serverPort(), false, "", 0, false, "", ""});
        QTRY_VERIFY_WITH_TIMEOUT(server->hasPendingConnections(), 5000);
        peer = server->nextPendingConnection();
        connect(peer, &QTcpSocket::readyRead, this, [this] { received += peer->readAll(); });
        QTRY_VERIFY_WITH_TIMEOUT(w1->connection().IsOpen(), 5000);
    }

    static automation::TriggerTable Table(TMDIChild &w)
    {
        return w.screen().triggers()->Snapshot();
    }

    // Two triggers in two groups, typed into w1's editor and applied.
    void ApplyTwoTriggers()
    {
        w1->SessionCommand(kTriggerEditor);
        TypeTrigger(*triggerEditor, QStringLiteral("hp low"), QStringLiteral("eat"),
                    QStringLiteral("b"));
        TypeTrigger(*triggerEditor, QStringLiteral("(*) attacks you"), QStringLiteral("kill %0"),
                    QStringLiteral("a"));
        Click(triggerEditor->BitBtn5);
    }

private slots:
    void init()
    {
        triggerEditor = std::make_unique<TAutoSetting>();
        groupEditor = std::make_unique<TfCmdsGroup>();
        dialogs.triggerEditor = [this](SessionPort &w) { triggerEditor->LoadFromSession(w); };
        dialogs.groupEditor = [this](SessionPort &w) { groupEditor->LoadGroups(w); };
        server = std::make_unique<QTcpServer>();
        QVERIFY(server->listen(QHostAddress::LocalHost, 0));
        w1 = std::make_unique<TMDIChild>(nullptr, "", &dialogs);
        w2 = std::make_unique<TMDIChild>(nullptr, "", &dialogs);
        received.clear();
        peer = nullptr;
    }

    void cleanup()
    {
        w1.reset();
        w2.reset();
        server.reset();
        groupEditor.reset();
        triggerEditor.reset();
    }

    void typedTriggersAreSortedAndTheStarIsSwallowed()
    {
        w1->SessionCommand(kTriggerEditor);
        TAutoSetting &ed = *triggerEditor;
        QVERIFY(ed.isVisible());
        QCOMPARE(ed.windowTitle(), QStringLiteral("自动设置"));
        QCOMPARE(ed.datalist->rowCount(), 1); // the blank row of an empty table

        QTest::keyClicks(ed.ComboBox1, QStringLiteral("f*i*ght"));
        QCOMPARE(ed.ComboBox1->currentText(), QStringLiteral("fight"));
        QTest::keyClicks(ed.Edit1, QStringLiteral("(*) attacks you"));
        QTest::keyClicks(ed.Memo1, QStringLiteral("kill %0"));
        Click(ed.yesbutton);
        // Fields are emptied after a confirm.
        QVERIFY(ed.Edit1->text().isEmpty());
        QVERIFY(ed.Memo1->toPlainText().isEmpty());
        QVERIFY(ed.ComboBox1->currentText().isEmpty());

        TypeTrigger(ed, QStringLiteral("you flee"), QStringLiteral("wimpy"),
                    QStringLiteral("FIGHT"));
        TypeTrigger(ed, QStringLiteral("hp low"), QStringLiteral("eat"), QStringLiteral("eat"));
        // A confirm with no command does nothing.
        TypeTrigger(ed, QStringLiteral("nothing"), QString(), QStringLiteral("a"));
        QCOMPARE(ed.Edit1->text(), QStringLiteral("nothing"));
        Click(ed.cancelbutton);
        QVERIFY(ed.Edit1->text().isEmpty());

        QCOMPARE(ed.datalist->rowCount(), 4);
        QCOMPARE(Cell(ed.datalist, 0, 2), QStringLiteral("hp low"));
        QCOMPARE(Cell(ed.datalist, 1, 1), QStringLiteral("FIGHT"));
        QCOMPARE(Cell(ed.datalist, 1, 2), QStringLiteral("(*) attacks you"));
        QCOMPARE(Cell(ed.datalist, 2, 2), QStringLiteral("you flee"));
        QCOMPARE(Cell(ed.datalist, 1, 0), QStringLiteral("√"));
        QCOMPARE(ed.ComboBox1->count(), 2); // FIGHT once, EAT

        // A click on a row shows it; a click in column 0 toggles its mark.
        ClickCell(ed.datalist, 1, 2);
        QCOMPARE(ed.Edit1->text(), QStringLiteral("(*) attacks you"));
        QCOMPARE(ed.Memo1->toPlainText(), QStringLiteral("kill %0\n"));
        QCOMPARE(ed.ComboBox1->currentText(), QStringLiteral("FIGHT"));
        ClickCell(ed.datalist, 2, 0);
        QCOMPARE(Cell(ed.datalist, 2, 0), QString());

        // Confirming the shown row replaces it: it moves to the end of its group.
        ClickCell(ed.datalist, 1, 1);
        Click(ed.yesbutton);
        QCOMPARE(ed.datalist->rowCount(), 4);
        QCOMPARE(Cell(ed.datalist, 1, 2), QStringLiteral("you flee"));
        QCOMPARE(Cell(ed.datalist, 2, 2), QStringLiteral("(*) attacks you"));

        // Delete: the selection keeps its number, the blank row stays.
        ClickCell(ed.datalist, 2, 1);
        Click(ed.deletebutton);
        QCOMPARE(ed.datalist->rowCount(), 3);
        QCOMPARE(ed.rules().selectedRow, 3);
        Click(ed.deletebutton);
        QCOMPARE(ed.datalist->rowCount(), 3);

        Click(ed.BitBtn5);
        QVERIFY(!ed.isVisible());
        const automation::TriggerTable t = Table(*w1);
        QCOMPARE(t.size(), std::size_t{3});
        QCOMPARE(t.triggerPatterns[0], std::string("hp low"));
        QCOMPARE(t.triggerPatterns[1], std::string("you flee"));
        QCOMPARE(t.triggerEnabled[1], std::string());
        QCOMPARE(t.triggerCommands[0], std::string("eat\n"));
        QCOMPARE(t.triggerGroups[1], std::string("FIGHT"));
        QCOMPARE(Table(*w2).size(), std::size_t{0});
    }

    void blankLastRowNeverBecomesATrigger()
    {
        w1->SessionCommand(kTriggerEditor);
        TAutoSetting &ed = *triggerEditor;
        TypeTrigger(ed, QStringLiteral("hp low"), QStringLiteral("eat"), QStringLiteral("eat"));
        QCOMPARE(ed.datalist->rowCount(), 2);
        // The blank row fills the fields with blanks; confirming stores nothing.
        ClickCell(ed.datalist, 1, 2);
        QCOMPARE(ed.Edit1->text(), QStringLiteral(" "));
        Click(ed.yesbutton);
        QCOMPARE(ed.datalist->rowCount(), 2);
        // Nor does a typed match text of blanks.
        TypeTrigger(ed, QStringLiteral("   "), QStringLiteral("look"), QString());
        QCOMPARE(ed.datalist->rowCount(), 2);
        Click(ed.BitBtn5);
        const automation::TriggerTable t = Table(*w1);
        QCOMPARE(t.size(), std::size_t{2});
        QCOMPARE(t.triggerPatterns[0], std::string("hp low"));
    }

    void appliedTriggersFireAndOneGroupCanBeStopped()
    {
        ApplyTwoTriggers();
        ConnectFirstWindow();

        w1->screen().Enqueue("The orc attacks you\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(received.contains("kill The orc\n"), 5000);
        w1->screen().Enqueue("your hp low!\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(received.contains("eat\n"), 5000);

        // "#T- A" stops group A only.
        w1->StartCommandRun("#T- A");
        QTRY_COMPARE_WITH_TIMEOUT(Table(*w1).triggerEnabled[0], std::string(" "), 5000);
        QCOMPARE(Table(*w1).triggerEnabled[1], kOn);
        received.clear();
        w1->screen().Enqueue("A rat attacks you\r\nhp low\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(received.contains("eat\n"), 5000);
        // A runner started after both lines were scanned marks the point by
        // which a firing of the switched-off group would have been sent.
        w1->StartCommandRun("marker");
        QTRY_VERIFY_WITH_TIMEOUT(received.contains("marker\n"), 5000);
        QVERIFY2(!received.contains("kill"), received.constData());

        // The other window has its own, empty table.
        QCOMPARE(Table(*w2).size(), std::size_t{0});
    }

    void openingForAnotherWindowReloadsAndDiscardLeavesTablesAlone()
    {
        ApplyTwoTriggers();
        const automation::TriggerTable before = Table(*w1);

        w1->SessionCommand(kTriggerEditor);
        TAutoSetting &ed = *triggerEditor;
        QCOMPARE(ed.datalist->rowCount(), 3);
        QCOMPARE(ed.ComboBox1->count(), 3); // A, B and the blank row's group
        TypeTrigger(ed, QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("c"));
        w2->SessionCommand(kTriggerEditor);
        QVERIFY(ed.isVisible());
        QCOMPARE(ed.datalist->rowCount(), 1);
        QCOMPARE(ed.ComboBox1->count(), 0);

        // Back on w1: the unapplied row is gone; delete one and discard.
        w1->SessionCommand(kTriggerEditor);
        QCOMPARE(ed.datalist->rowCount(), 3);
        ClickCell(ed.datalist, 0, 0);
        ClickCell(ed.datalist, 0, 1);
        Click(ed.deletebutton);
        QCOMPARE(ed.datalist->rowCount(), 2);
        Click(ed.BitBtn6);
        QVERIFY(!ed.isVisible());
        const automation::TriggerTable after = Table(*w1);
        QCOMPARE(after.triggerPatterns, before.triggerPatterns);
        QCOMPARE(after.triggerEnabled, before.triggerEnabled);
        QCOMPARE(after.triggerCommands, before.triggerCommands);
        QCOMPARE(Table(*w2).size(), std::size_t{0});

        // The group editor's discard too.
        w1->groups().Replace({"kk"}, {"look"});
        w1->SessionCommand(kGroupEditor);
        QTest::keyClicks(groupEditor->Edit1, QStringLiteral("new"));
        QTest::keyClicks(groupEditor->Memo1, QStringLiteral("say hi"));
        Click(groupEditor->BitBtn2);
        QCOMPARE(groupEditor->ListBox1->count(), 2);
        Click(groupEditor->BitBtn1);
        QVERIFY(!groupEditor->isVisible());
        QCOMPARE(w1->groups().Snapshot().groupNames, std::vector<std::string>{"kk"});
    }

    void closingTheBoundWindowLeavesTheEditorSafe()
    {
        w1->SessionCommand(kTriggerEditor);
        w1->SessionCommand(kGroupEditor);
        w1.reset();
        QVERIFY(!triggerEditor->isVisible());
        QVERIFY(!groupEditor->isVisible());
        // Applying now has no table to go to, and must not reach the freed window.
        triggerEditor->BitBtn5Click();
        groupEditor->BitBtn4Click();
    }

    void typedCommandGroupExpandsWhenRun()
    {
        ConnectFirstWindow();
        w1->SessionCommand(kGroupEditor);
        TfCmdsGroup &ed = *groupEditor;
        QVERIFY(ed.isVisible());
        QCOMPARE(ed.windowTitle(), QStringLiteral("命令组"));
        QCOMPARE(ed.ListBox1->count(), 0);

        QTest::keyClicks(ed.Edit1, QStringLiteral("kk"));
        QTest::keyClicks(ed.Memo1, QStringLiteral("wield knife"));
        Click(ed.BitBtn2);
        QTest::keyClicks(ed.Edit1, QStringLiteral("b"));
        QTest::keyClicks(ed.Memo1, QStringLiteral("say done"));
        Click(ed.BitBtn2);
        QVERIFY(ed.Edit1->text().isEmpty());
        QCOMPARE(ed.ListBox1->count(), 2);

        // Clicking a group shows it; confirming its name again replaces the
        // content in place.
        QListWidgetItem *first = ed.ListBox1->item(0);
        QTest::mouseClick(ed.ListBox1->viewport(), Qt::LeftButton, {},
                          ed.ListBox1->visualItemRect(first).center());
        QCOMPARE(ed.Edit1->text(), QStringLiteral("kk"));
        QCOMPARE(ed.Memo1->toPlainText(), QStringLiteral("wield knife"));
        ed.Memo1->clear();
        QTest::keyClicks(ed.Memo1, QStringLiteral("wield sword"));
        QTest::keyClick(ed.Memo1, Qt::Key_Return);
        QTest::keyClicks(ed.Memo1, QStringLiteral("#2 kill rat"));
        Click(ed.BitBtn2);
        QCOMPARE(ed.ListBox1->item(0)->text(), QStringLiteral("kk"));
        QCOMPARE(ed.rules().editContents[0], std::string("wield sword\r\n#2 kill rat"));

        // A blank name is refused; "新建" empties the fields.
        QTest::keyClicks(ed.Edit1, QStringLiteral("  "));
        QTest::keyClicks(ed.Memo1, QStringLiteral("x"));
        Click(ed.BitBtn2);
        QCOMPARE(ed.ListBox1->count(), 2);
        Click(ed.newButton);
        QVERIFY(ed.Memo1->toPlainText().isEmpty());

        // Delete needs a selection.
        QTest::keyClicks(ed.Edit1, QStringLiteral("gone"));
        QTest::keyClicks(ed.Memo1, QStringLiteral("x"));
        Click(ed.BitBtn2);
        ed.ListBox1->clearSelection();
        Click(ed.BitBtn3);
        QCOMPARE(ed.ListBox1->count(), 3);
        ed.ListBox1->item(2)->setSelected(true);
        Click(ed.BitBtn3);
        QCOMPARE(ed.ListBox1->count(), 2);

        Click(ed.BitBtn4);
        QVERIFY(!ed.isVisible());
        QCOMPARE(w2->groups().Snapshot().groupNames.size(), std::size_t{0});

        w1->StartCommandRun("kk;look");
        QTRY_VERIFY_WITH_TIMEOUT(received.contains("look\n"), 5000);
        QCOMPARE(received, QByteArray("wield sword\nkill rat\nkill rat\nlook\n"));
        received.clear();
        w1->StartCommandRun("b");
        QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("say done\n"), 5000);
    }
};

QTEST_MAIN(EditorsUiTest)
#include "EditorsUiTest.moc"
