// The command group editor "命令组": one dialog for the program, bound to one game
// window's group table at a time; it edits a copy and applies it on "关闭".
#pragma once

#include "core/automation/GroupEditorRules.h"
#include "ui/session/SessionPort.h"

#include <QDialog>
#include <QMetaObject>
#include <QPointer>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;

namespace automation {

class TfCmdsGroup : public QDialog
{
    Q_OBJECT

public:
    // `parent` is the main frame; the editor opens centred on it.
    explicit TfCmdsGroup(QWidget *parent = nullptr);

    // Empties the fields, binds the editor to `window`'s group table, lists its
    // groups and shows the editor. Unapplied edits for another window are lost.
    void LoadGroups(session::SessionPort &window);

    const automation::GroupEditorRules &rules() const { return rules_; }

    QListWidget *ListBox1;
    QLineEdit *Edit1;
    QPlainTextEdit *Memo1;
    QPushButton *newButton;    // "新建"
    QPushButton *BitBtn2;      // "确定"
    QPushButton *cancelButton; // "取消"
    QPushButton *BitBtn3;      // "删除"
    QPushButton *BitBtn4;      // "关闭"
    QPushButton *BitBtn1;      // "放弃"

    void ListBox1Click();
    void BitBtn5Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildControls();
    void ShowList();
    void ClearFields();
    int SelectedRow() const;

    automation::GroupEditorRules rules_;
    // The bound window; it goes null when the window closes, and the apply
    // then has nowhere to go.
    session::SessionPortRef window_;
    QMetaObject::Connection windowGone_;
};

} // namespace automation
