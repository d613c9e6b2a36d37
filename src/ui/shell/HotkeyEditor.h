// The hotkey editor "快捷键定义": one non-modal dialog for the program, bound to
// one game window's hotkeys at a time. It edits a copy, writes it back on
// "关闭" and drops it on "放弃" or when it is opened again.
#pragma once

#include "core/shell/HotkeyEditorRules.h"
#include "ui/session/SessionPort.h"

#include <QDialog>

class QEvent;
class QKeyEvent;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;

namespace shell {

class TFastKey : public QDialog
{
    Q_OBJECT

public:
    explicit TFastKey(QWidget *parent = nullptr);

    // Fills the editor from `window`'s hotkeys, makes them the commit target,
    // empties both fields and shows the editor without blocking.
    void LoadHotkeys(session::SessionPort &window);

    const shell::HotkeyEditorRules &rules() const { return rules_; }
    // Whether "关闭" would still reach a window.
    bool bound() const { return static_cast<bool>(window_); }

    QListWidget *ListBox1;
    QLineEdit *Edit1;      // "请按按键：" the name of the last key pressed
    QPlainTextEdit *Memo1; // "命令："
    QPushButton *BitBtn1;  // "新建"
    QPushButton *BitBtn2;  // "确定"
    QPushButton *BitBtn3;  // "取消"
    QPushButton *BitBtn4;  // "删除"
    QPushButton *BitBtn5;  // "关闭"
    QPushButton *BitBtn6;  // "放弃"

    void ListBox1Click();
    void Edit1KeyDown(const QKeyEvent &event);
    void BitBtn1Click(); // also "取消"
    void BitBtn2Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void BuildControls();
    void ShowList();
    void ClearFields();
    int SelectedRow() const;

    shell::HotkeyEditorRules rules_;
    // Goes empty when the window closes; "关闭" then writes nowhere.
    session::SessionPortRef window_;
};

} // namespace shell
