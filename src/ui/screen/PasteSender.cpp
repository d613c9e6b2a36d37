#include "ui/screen/PasteSender.h"

#include "core/screen/PasteText.h"
#include "core/text/GbkText.h"
#include "render/GbkCodec.h"
#include "ui/platform/SystemMessage.h"
#include "ui/screen/AuxWindow.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace screen {

TClipForm::TClipForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("ClipForm"));
    setWindowTitle(QStringLiteral("ClipForm"));
    resize(420, 300);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Edit1 = new QLineEdit(QStringLiteral("chat"), this);
    Edit2 = new QLineEdit(QStringLiteral("0"), this);
    BitBtn1 = new QPushButton(QStringLiteral("原样复制"), this);
    BitBtn2 = new QPushButton(QStringLiteral("合并一行"), this);
    BitBtn3 = new QPushButton(QStringLiteral("发送"), this);
    BitBtn4 = new QPushButton(QStringLiteral("取消"), this);
    CutNote = new QLabel(this);
    CutNote->hide();

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("发送命令："), this), 0, 0);
    fields->addWidget(Edit1, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("每行延迟："), this), 0, 2);
    fields->addWidget(Edit2, 0, 3);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3, BitBtn4})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Memo1, 1);
    layout->addWidget(CutNote);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(BitBtn1, &QPushButton::clicked, this, &TClipForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TClipForm::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TClipForm::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TClipForm::BitBtn4Click);

    fillTimer_ = new QTimer(this);
    fillTimer_->setInterval(0);
    connect(fillTimer_, &QTimer::timeout, this, &TClipForm::ShowBatch);
}

TClipForm::~TClipForm() = default;

void TClipForm::Fill(session::SessionPort *session, const std::string &text)
{
    const std::size_t kept = screen::PasteKeptLength(text);
    // Every line keeps its line break, so one selected empty row is still a
    // line of the memo ("合并一行" then gives two double quotes).
    std::string memo;
    memo.reserve(kept + 1);
    for (const std::string &line : gbk::SplitLines(std::string_view(text).substr(0, kept))) {
        memo += line;
        memo += '\n';
    }
    memoPending_ = std::move(memo);
    memoPos_ = 0;
    Memo1->clear();
    if (kept < text.size()) {
        const QLocale c = QLocale::c();
        CutNote->setText(QStringLiteral("选中的文字有%1，发送窗口只保留了前面的%2。")
                             .arg(c.formattedDataSize(static_cast<qint64>(text.size())),
                                  c.formattedDataSize(static_cast<qint64>(kept))));
        CutNote->show();
    } else {
        CutNote->clear();
        CutNote->hide();
    }
    ShowBatch();
    targetSession_ = session;
    show();
    raise();
    activateWindow();
}

void TClipForm::ShowBatch()
{
    constexpr int kBatchLines = 2000;
    std::size_t end = memoPos_;
    for (int n = 0; n < kBatchLines && end < memoPending_.size(); ++n)
        end = memoPending_.find('\n', end) + 1; // every waiting line ends with LF
    if (end > memoPos_) {
        QTextDocument *doc = Memo1->document();
        doc->setUndoRedoEnabled(false);
        QTextCursor cursor(doc);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(
            gbk::ToQString(std::string_view(memoPending_).substr(memoPos_, end - memoPos_)));
        doc->setUndoRedoEnabled(true);
        memoPos_ = end;
    }
    if (memoPos_ < memoPending_.size()) {
        if (!fillTimer_->isActive())
            fillTimer_->start();
        return;
    }
    fillTimer_->stop();
    std::string().swap(memoPending_);
    memoPos_ = 0;
}

void TClipForm::FlushMemo()
{
    while (memoPos_ < memoPending_.size())
        ShowBatch();
}

void TClipForm::BitBtn1Click()
{
    FlushMemo();
    QGuiApplication::clipboard()->setText(Memo1->toPlainText());
    close();
}

void TClipForm::BitBtn2Click()
{
    FlushMemo();
    QGuiApplication::clipboard()->setText(gbk::ToQString(screen::JoinOneLine(MemoLines(*Memo1))));
    close();
}

void TClipForm::BitBtn3Click()
{
    FlushMemo();
    const std::optional<std::string> text = screen::BuildPasteText(
        gbk::FromQString(Edit1->text()), MemoLines(*Memo1), gbk::FromQString(Edit2->text()));
    if (!text) {
        platform::ShowSystemMessage(this, QStringLiteral("每行延迟必须是整数毫秒数，“%1”不是整数。")
                                              .arg(platform::Excerpt(Edit2->text())));
        return;
    }
    pasteText_ = *text;
    // The window that opened the paste sender may have been closed since.
    if (!targetSession_) {
        platform::ShowSystemMessage(this,
                                    QStringLiteral("打开发送窗口的游戏窗口已经关闭，没有发送。"));
        return;
    }
    // The paste sender closes before the window runs the text, as it would
    // when the window takes the text from it.
    session::SessionPort *target = targetSession_.get();
    close();
    target->RunPasteText(pasteText_);
}

void TClipForm::BitBtn4Click()
{
    close();
}

} // namespace screen
