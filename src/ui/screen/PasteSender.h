// TClipForm, the paste sender ("ClipForm"): takes the rows selected on a game
// window and copies them to the clipboard, as they are or joined into one line,
// or sends them to that window as commands with a prefix and a pause.
#pragma once

#include "ui/session/SessionPort.h"

#include <cstddef>
#include <string>

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace screen {

class TClipForm : public QWidget
{
    Q_OBJECT

public:
    explicit TClipForm(QWidget *parent = nullptr);
    ~TClipForm() override;

    // Right button on a game window: the memo takes the text (GBK, lines ended
    // by CR LF), the window becomes the target, and the paste sender shows.
    // The memo keeps the text's first lines up to its cap; they are shown in
    // batches whenever the window thread is free, so a large selection never
    // freezes the window.
    void Fill(session::SessionPort *session, const std::string &text);
    // Shows the lines still waiting now.
    void FlushMemo();

    const std::string &pasteText() const { return pasteText_; }
    session::SessionPort *targetSession() const { return targetSession_.get(); }

    void BitBtn1Click(); // "原样复制"
    void BitBtn2Click(); // "合并一行"
    void BitBtn3Click(); // "发送"
    void BitBtn4Click(); // "取消"

    QPlainTextEdit *Memo1 = nullptr;
    QLineEdit *Edit1 = nullptr; // prefix command
    QLineEdit *Edit2 = nullptr; // pause after each line, milliseconds
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *BitBtn3 = nullptr;
    QPushButton *BitBtn4 = nullptr;
    // Says when the selection was longer than what the memo keeps.
    QLabel *CutNote = nullptr;

private:
    void ShowBatch();

    // Lines ended by LF not yet in the memo, from memoPos_ on.
    std::string memoPending_;
    std::size_t memoPos_ = 0;
    QTimer *fillTimer_ = nullptr;
    session::SessionPortRef targetSession_;
    std::string pasteText_;
};

} // namespace screen
