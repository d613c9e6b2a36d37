// The path editor "路径": one dialog for the program, bound to one game
// window's paths and slow-walk delay at a time. It edits a copy and applies it
// on "关闭"; "设置" opens the direction editor on the same window.
#pragma once

#include "core/session/PathEditorRules.h"
#include "ui/session/SessionPort.h"

#include <functional>
#include <string>

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace session {

class TRoadSetting : public QDialog
{
    Q_OBJECT

public:
    explicit TRoadSetting(QWidget *parent = nullptr);

    // Binds the editor to `window`, empties the name and the memo, lists a
    // copy of its paths and shows its delay. The caller then shows it.
    void OpenPathEditor(SessionPort &window);
    // OpenPathEditor and show.
    void ShowFor(SessionPort &window);
    // The end of a recording: the recorded lines wait in the memo for a name.
    void ShowRecording(SessionPort &window, const std::string &recorded);

    // What "设置" does with the bound window; the frame fills it in.
    std::function<void(SessionPort &)> openDirectionEditor;

    const session::PathEditorRules &rules() const { return rules_; }

    QListWidget *ListBox1;
    QLineEdit *Edit1;      // "路径名："
    QPlainTextEdit *Memo1; // "命令:"
    QLineEdit *Edit2;      // "慢速延迟" … "毫秒"
    QPushButton *BitBtn3;  // "新建"
    QPushButton *BitBtn1;  // "确定"
    QPushButton *BitBtn2;  // "删除"
    QPushButton *BitBtn4;  // "设置"
    QPushButton *BitBtn5;  // "关闭"
    QPushButton *BitBtn6;  // "取消"

    void ListBox1Click();
    void BitBtn3Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();

private:
    void BuildControls();
    void ShowList();
    void ClearFields();
    int SelectedRow() const;
    void ShowNow();

    session::PathEditorRules rules_;
    // Goes empty when the window closes; "关闭" then writes nowhere.
    SessionPortRef window_;
};

} // namespace session
