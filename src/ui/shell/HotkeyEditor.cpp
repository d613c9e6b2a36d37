#include "ui/shell/HotkeyEditor.h"

#include "core/shell/KeyName.h"
#include "render/GbkCodec.h"
#include "ui/platform/DialogLook.h"
#include "ui/platform/MemoText.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace shell {

namespace {

QPushButton *MakeButton(const QString &text, QWidget *parent, int x, int y)
{
    return platform::MakeButton(text, parent, x, y, 61, 31);
}

} // namespace

TFastKey::TFastKey(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FastKey"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    platform::SetDialogLook(this, QStringLiteral("快捷键定义"), 371, 272);
    BuildControls();

    connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(BitBtn6, &QPushButton::clicked, this, [this] { BitBtn6Click(); });
}

void TFastKey::BuildControls()
{
    ListBox1 = new QListWidget(this);
    ListBox1->setGeometry(8, 8, 121, 227);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);

    auto *keyLabel = new QLabel(QStringLiteral("请按按键："), this);
    keyLabel->move(137, 10);
    keyLabel->adjustSize();
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(137, 26, 227, 21);
    // Only key names get in: no typing, pasting, dropping or input method.
    Edit1->setContextMenuPolicy(Qt::NoContextMenu);
    Edit1->setAcceptDrops(false);
    Edit1->setAttribute(Qt::WA_InputMethodEnabled, false);
    Edit1->installEventFilter(this);

    auto *commandLabel = new QLabel(QStringLiteral("命令："), this);
    commandLabel->move(137, 52);
    commandLabel->adjustSize();
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(137, 54 + 14, 227, 181 - 14);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    const int y = 272 - 31 - 4;
    BitBtn1 = MakeButton(QStringLiteral("新建"), this, 2, y);
    BitBtn2 = MakeButton(QStringLiteral("确定"), this, 63, y);
    BitBtn3 = MakeButton(QStringLiteral("取消"), this, 124, y);
    BitBtn4 = MakeButton(QStringLiteral("删除"), this, 185, y);
    BitBtn5 = MakeButton(QStringLiteral("关闭"), this, 246, y);
    BitBtn6 = MakeButton(QStringLiteral("放弃"), this, 307, y);
    setTabOrder(Edit1, Memo1);
}

void TFastKey::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect box = frameGeometry();
        box.moveCenter(screen->availableGeometry().center());
        move(box.topLeft());
    }
    Edit1->setFocus();
}

bool TFastKey::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit1) {
        switch (event->type()) {
        case QEvent::KeyPress:
            Edit1KeyDown(*static_cast<QKeyEvent *>(event));
            return true;
        case QEvent::ShortcutOverride:
            // Every key is the field's own, Tab and Escape included.
            event->accept();
            return true;
        case QEvent::KeyRelease:
        case QEvent::InputMethod:
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            // The middle button would paste the selection into the field.
            return static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFastKey::Edit1KeyDown(const QKeyEvent &event)
{
    // Up and Down are keys like any other here: only the input line keeps
    // them for its history.
    const shell::KeyPress press =
        shell::KeyPressFromQt(event.key(), static_cast<std::uint32_t>(event.modifiers().toInt()));
    Edit1->setText(
        gbk::ToQString(shell::BuildKeyName(press.keyCode, press.shift, press.alt, press.ctrl)));
}

void TFastKey::ShowList()
{
    ListBox1->clear();
    for (const std::string &name : rules_.names)
        ListBox1->addItem(gbk::ToQString(name));
}

void TFastKey::ClearFields()
{
    Edit1->clear();
    Memo1->clear();
}

int TFastKey::SelectedRow() const
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.front());
}

void TFastKey::LoadHotkeys(session::SessionPort &window)
{
    // Opening again drops whatever was not written back.
    rules_.Load(window.hotkeys());
    ShowList();
    window_ = &window;
    ClearFields();
    show();
    raise();
    activateWindow();
    Edit1->setFocus();
}

void TFastKey::ListBox1Click()
{
    const int row = SelectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= rules_.size())
        return;
    Edit1->setText(gbk::ToQString(rules_.names[static_cast<std::size_t>(row)]));
    Memo1->setPlainText(platform::TextToMemo(rules_.commands[static_cast<std::size_t>(row)]));
}

void TFastKey::BitBtn1Click()
{
    ClearFields();
}

void TFastKey::BitBtn2Click()
{
    if (!rules_.Confirm(gbk::FromQString(Edit1->text()),
                        platform::MemoToText(Memo1->toPlainText())))
        return;
    ShowList();
    ClearFields();
}

void TFastKey::BitBtn4Click()
{
    // Without a row to delete nothing changes, not even the half-typed fields.
    if (!rules_.Delete(SelectedRow()))
        return;
    ShowList();
    ClearFields();
}

void TFastKey::BitBtn5Click()
{
    if (session::SessionPort *window = window_.get())
        window->SetHotkeys(rules_.Result());
    close();
}

void TFastKey::BitBtn6Click()
{
    close();
}

} // namespace shell
