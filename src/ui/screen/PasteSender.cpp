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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

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
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(BitBtn1, &QPushButton::clicked, this, &TClipForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TClipForm::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TClipForm::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TClipForm::BitBtn4Click);
}

TClipForm::~TClipForm() = default;

void TClipForm::Fill(SessionPort *session, const std::string &text)
{
    // Every line keeps its line break, so one selected empty row is still a
    // line of the memo ("合并一行" then gives two double quotes).
    std::string memo;
    for (const std::string &line : gbk::SplitLines(text)) {
        memo += line;
        memo += '\n';
    }
    Memo1->setPlainText(gbk::ToQString(memo));
    targetSession_ = session;
    show();
    raise();
    activateWindow();
}

void TClipForm::BitBtn1Click()
{
    QGuiApplication::clipboard()->setText(Memo1->toPlainText());
    close();
}

void TClipForm::BitBtn2Click()
{
    QGuiApplication::clipboard()->setText(gbk::ToQString(screen::JoinOneLine(MemoLines(*Memo1))));
    close();
}

void TClipForm::BitBtn3Click()
{
    const std::optional<std::string> text = screen::BuildPasteText(
        gbk::FromQString(Edit1->text()), MemoLines(*Memo1), gbk::FromQString(Edit2->text()));
    if (!text) {
        platform::ShowSystemMessage(
            this, QStringLiteral("每行延迟必须是整数毫秒数，“%1”不是整数。").arg(Edit2->text()));
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
    SessionPort *target = targetSession_.get();
    close();
    target->RunPasteText(pasteText_);
}

void TClipForm::BitBtn4Click()
{
    close();
}
