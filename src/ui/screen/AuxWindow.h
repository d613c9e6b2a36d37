// Ttextwin, the auxiliary window ("辅助窗口"): a free text pad on top of the other
// windows that saves and loads GBK text files and receives the mirror of a game window.
#pragma once

#include "ui/session/SessionPort.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace screen {

class AuxFileLoad;

// A memo's lines as GBK bytes, the way an edit control counts them: the empty
// line after a final line break is not a line, so an empty memo has none.
std::vector<std::string> MemoLines(const QPlainTextEdit &memo);

class Ttextwin : public QWidget
{
    Q_OBJECT

public:
    // Asks for the file of "保存" (save true) or "读取" (save false); an empty
    // name means the dialog was cancelled.
    using FileChooser = std::function<QString(QWidget *parent, bool save)>;

    explicit Ttextwin(QWidget *parent = nullptr);
    ~Ttextwin() override;

    // The links the main frame keeps: the window that receives the mirror
    // commands, and the window most recently activated.
    void setSyncSession(session::SessionPort *session);
    void setCurrentSession(session::SessionPort *session);
    session::SessionPort *syncSession() const { return syncSession_.get(); }
    session::SessionPort *currentSession() const { return currentSession_.get(); }

    // A game window was closed: the switch reads "同步接收" again and both links
    // are cleared.
    void ResetSync();

    // The text is capped like a screen's store: past this estimate of its
    // memory the oldest lines go, down to three quarters of it.
    static constexpr std::size_t kDefaultMaxBytes = 64u << 20;
    void setMaxBytes(std::size_t bytes) { maxBytes_ = bytes; }
    // What the cap counts: two bytes a character and a block's upkeep per line.
    std::size_t textBytes() const;

    // Appends GBK lines (mirror and "#HP"); a line's own CR LF or LF is dropped.
    // Lines are gathered and shown in batches whenever the window thread is
    // free, so a flood or a large file never freezes the window for long.
    // Lines that come while a file is being read wait behind it.
    void AppendLines(const std::vector<std::string> &lines);
    // Reads the files still being read to their end and shows all gathered
    // lines now.
    void FlushPending();
    // True while a file of "读取" is still being read.
    bool loading() const { return load_ != nullptr; }

    // The text's lines as GBK, the gathered ones included.
    std::vector<std::string> lines();

    // Replaces the file dialogs (tests); an empty function restores them.
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    void BitBtn1Click(); // "保存"
    void BitBtn2Click(); // "读取"
    void BitBtn3Click(); // "清空"
    void BitBtn4Click(); // mirror switch

    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *BitBtn3 = nullptr;
    QPushButton *BitBtn4 = nullptr;
    // What became of the last "读取": being read, or larger than what is kept.
    QLabel *LoadNote = nullptr;

private:
    QString ChooseFile(bool save);
    bool HasPending() const { return pendingPos_ < pending_.size(); }
    void ShowBatch();
    void InsertAtEnd(const QString &text);
    void TrimToCap();
    void AppendPending(std::string &&text);
    void Hold(std::string_view text);
    void StartLoad(const QString &path);
    void FinishLoad();
    void StartWaiting();

    session::SessionPortRef syncSession_;
    session::SessionPortRef currentSession_;
    // The window that was sent mirror-on, so mirror-off reaches it.
    session::SessionPortRef mirrored_;
    FileChooser chooser_;

    // Lines not yet shown, each ended by LF, from pendingPos_ on.
    std::string pending_;
    std::size_t pendingPos_ = 0;
    QTimer *flushTimer_ = nullptr;
    std::size_t maxBytes_ = kDefaultMaxBytes;

    // The file being read, and what came after it in order: further files
    // (path set) and the lines appended meanwhile (path empty).
    struct Waiting
    {
        QString path;
        std::string lines;
    };
    std::unique_ptr<AuxFileLoad> load_;
    std::deque<Waiting> waiting_;
    QTimer *loadTimer_ = nullptr;
};

} // namespace screen
