// The direction editor "方向定义": one dialog for the program, opened from the
// path editor on one game window's direction pairs. It edits a copy and
// applies it on "关闭".
#pragma once

#include "core/session/PathEditorRules.h"
#include "ui/session/SessionPort.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace session {

class TDirectSet : public QDialog
{
    Q_OBJECT

public:
    explicit TDirectSet(QWidget *parent = nullptr);

    // Binds the editor to `window`'s direction pairs, lists a copy of them,
    // empties both fields and shows the editor.
    void LoadDirections(SessionPort &window);

    const session::DirectionEditorRules &rules() const { return rules_; }

    QListWidget *ListBox1; // forward words
    QListWidget *ListBox2; // reverse words, row-aligned with ListBox1
    QLineEdit *Edit1;      // "正方向："
    QLineEdit *Edit2;      // "反方向："
    QPushButton *BitBtn1;  // "新建"
    QPushButton *BitBtn2;  // "确定"
    QPushButton *BitBtn3;  // "放弃"
    QPushButton *BitBtn4;  // "删除"
    QPushButton *BitBtn5;  // "关闭"
    QPushButton *BitBtn6;  // "取消"

    // A click on row `row` of either list.
    void ListClick(int row);
    void BitBtn1Click(); // also "放弃"
    void BitBtn2Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();

private:
    void BuildControls();
    void ShowLists();
    void ClearFields();

    session::DirectionEditorRules rules_;
    // Goes empty when the window closes; "关闭" then writes nowhere.
    SessionPortRef window_;
};

} // namespace session
