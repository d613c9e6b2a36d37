#include "ui/automation/CommandGroupEditor.h"

#include "render/GbkCodec.h"
#include "ui/platform/DialogLook.h"
#include "ui/platform/MemoText.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

namespace automation {

namespace {

using platform::MakeLabel;

QPushButton *MakeButton(const QString &text, QWidget *parent, int x, int y)
{
    return platform::MakeButton(text, parent, x, y, 54, 26);
}

} // namespace

TfCmdsGroup::TfCmdsGroup(QWidget *parent)
    : QDialog(parent)
{
    platform::SetDialogLook(this, QStringLiteral("命令组"), 372, 278);
    BuildControls();

    connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
    // Moving through the list with the keys shows each group as a click does.
    // Selection, not the current row, counts: the list makes its first row
    // current when it takes the focus, and that must not fill the fields.
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] { ListBox1Click(); });
    connect(newButton, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
}

void TfCmdsGroup::BuildControls()
{
    ListBox1 = new QListWidget(this);
    ListBox1->setGeometry(8, 8, 140, 226);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);

    MakeLabel(QStringLiteral("自定义命令名："), this, 158, 10);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(158, 28, 206, 21);
    MakeLabel(QStringLiteral("命令内容:"), this, 158, 58);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(158, 76, 206, 158);

    newButton = MakeButton(QStringLiteral("新建"), this, 8, 244);
    BitBtn2 = MakeButton(QStringLiteral("确定"), this, 68, 244);
    cancelButton = MakeButton(QStringLiteral("取消"), this, 128, 244);
    BitBtn3 = MakeButton(QStringLiteral("删除"), this, 188, 244);
    BitBtn4 = MakeButton(QStringLiteral("关闭"), this, 248, 244);
    BitBtn1 = MakeButton(QStringLiteral("放弃"), this, 308, 244);
}

void TfCmdsGroup::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QWidget *frame = parentWidget() ? parentWidget()->window() : nullptr) {
        QRect box = frameGeometry();
        box.moveCenter(frame->frameGeometry().center());
        move(box.topLeft());
    }
}

void TfCmdsGroup::ShowList()
{
    ListBox1->clear();
    for (const std::string &name : rules_.names)
        ListBox1->addItem(gbk::ToQString(name));
}

void TfCmdsGroup::ClearFields()
{
    Edit1->clear();
    Memo1->clear();
}

int TfCmdsGroup::SelectedRow() const
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.front());
}

void TfCmdsGroup::LoadGroups(session::SessionPort &window)
{
    hide();
    ClearFields();
    window_ = &window;
    disconnect(windowGone_);
    windowGone_ = connect(window.lifetime(), &QObject::destroyed, this, [this] { hide(); });
    rules_.Load(window.groups().Snapshot());
    ShowList();
    show();
    activateWindow();
}

void TfCmdsGroup::ListBox1Click()
{
    const int row = SelectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= rules_.size())
        return;
    Edit1->setText(gbk::ToQString(rules_.names[static_cast<std::size_t>(row)]));
    Memo1->setPlainText(platform::TextToMemo(rules_.editContents[static_cast<std::size_t>(row)]));
}

void TfCmdsGroup::BitBtn5Click()
{
    ClearFields();
}

void TfCmdsGroup::BitBtn2Click()
{
    if (!rules_.Confirm(gbk::FromQString(Edit1->text()),
                        platform::MemoToText(Memo1->toPlainText())))
        return;
    ShowList();
    ClearFields();
}

void TfCmdsGroup::BitBtn3Click()
{
    if (!rules_.Delete(SelectedRow()))
        return;
    ShowList();
    ClearFields();
}

void TfCmdsGroup::BitBtn4Click()
{
    // Runners look groups up under the table's own lock, so each of them sees
    // the old table or the new one from its next command on.
    if (window_)
        rules_.ApplyTo(window_->groups());
    close();
}

void TfCmdsGroup::BitBtn1Click()
{
    close();
}

} // namespace automation
