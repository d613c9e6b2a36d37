// The trigger editor "自动设置": one dialog for the program, bound to one game
// window's trigger table at a time; it edits a copy and applies it on "关闭".
#pragma once

#include "core/automation/TriggerEditorRules.h"

#include <memory>

#include <QDialog>
#include <QMetaObject>

class QComboBox;
class QEvent;
class QKeyEvent;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace session {
class SessionPort;
}

namespace automation {

class TAutoSetting : public QDialog
{
    Q_OBJECT

public:
    explicit TAutoSetting(QWidget *parent = nullptr);

    // Hides the editor, binds it to `window`'s trigger table, fills the grid
    // from it and shows the editor. Unapplied edits for another window are lost.
    void LoadFromSession(session::SessionPort &window);

    const automation::TriggerEditorRules &rules() const { return rules_; }

    QTableWidget *datalist;
    QLineEdit *Edit1;
    QPlainTextEdit *Memo1;
    QComboBox *ComboBox1;
    QPushButton *newbuttom;
    QPushButton *yesbutton;
    QPushButton *cancelbutton;
    QPushButton *deletebutton;
    QPushButton *BitBtn5;
    QPushButton *BitBtn6;

    void newbuttomClick();
    void yesbuttonClick();
    void cancelbuttonClick();
    void deletebuttonClick();
    void BitBtn5Click();
    void BitBtn6Click();
    // `row` counts the header as row 0, as the rules do.
    void datalistSelectCell(int column, int row);
    // True when the key is swallowed.
    bool ComboBox1KeyPress(const QKeyEvent *event) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildControls();
    void ShowGrid();
    void ShowCombo();
    void ClearFields();
    automation::TriggerFields ReadFields() const;

    automation::TriggerEditorRules rules_;
    // The bound window's engine; the editor never keeps the window itself, so
    // a window that closes while the editor is open leaves nothing dangling.
    std::weak_ptr<automation::TriggerEngine> engine_;
    QMetaObject::Connection windowGone_;
};

} // namespace automation
