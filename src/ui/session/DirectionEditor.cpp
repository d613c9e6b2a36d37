#include "ui/session/DirectionEditor.h"

#include "render/GbkCodec.h"
#include "ui/platform/DialogLook.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace session {

namespace {

QPushButton *MakeButton(const QString &text, QWidget *parent, int x, int y)
{
    return platform::MakeButton(text, parent, x, y, 46, 26);
}

using platform::MakeLabel;

} // namespace

TDirectSet::TDirectSet(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DirectSet"));
    platform::SetDialogLook(this, QStringLiteral("方向定义"), 300, 256);
    BuildControls();

    connect(ListBox1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { ListClick(ListBox1->row(item)); });
    connect(ListBox2, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { ListClick(ListBox2->row(item)); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(BitBtn6, &QPushButton::clicked, this, [this] { BitBtn6Click(); });
}

void TDirectSet::BuildControls()
{
    ListBox1 = new QListWidget(this);
    ListBox1->setGeometry(6, 6, 92, 208);
    ListBox2 = new QListWidget(this);
    ListBox2->setGeometry(100, 6, 92, 208);
    for (QListWidget *list : {ListBox1, ListBox2})
        list->setSelectionMode(QAbstractItemView::SingleSelection);
    // The two columns of a pair stay side by side however either is scrolled.
    connect(ListBox1->verticalScrollBar(), &QScrollBar::valueChanged, ListBox2->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(ListBox2->verticalScrollBar(), &QScrollBar::valueChanged, ListBox1->verticalScrollBar(),
            &QScrollBar::setValue);

    MakeLabel(QStringLiteral("正方向："), this, 200, 8);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(200, 24, 94, 21);
    MakeLabel(QStringLiteral("反方向："), this, 200, 54);
    Edit2 = new QLineEdit(this);
    Edit2->setGeometry(200, 70, 94, 21);

    const int y = 222;
    BitBtn1 = MakeButton(QStringLiteral("新建"), this, 6, y);
    BitBtn2 = MakeButton(QStringLiteral("确定"), this, 55, y);
    BitBtn3 = MakeButton(QStringLiteral("放弃"), this, 104, y);
    BitBtn4 = MakeButton(QStringLiteral("删除"), this, 153, y);
    BitBtn5 = MakeButton(QStringLiteral("关闭"), this, 202, y);
    BitBtn6 = MakeButton(QStringLiteral("取消"), this, 251, y);
}

void TDirectSet::ShowLists()
{
    ListBox1->clear();
    ListBox2->clear();
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        ListBox1->addItem(gbk::ToQString(rules_.forward[i]));
        ListBox2->addItem(gbk::ToQString(rules_.reverse[i]));
    }
}

void TDirectSet::ClearFields()
{
    Edit1->clear();
    Edit2->clear();
}

void TDirectSet::LoadDirections(SessionPort &window)
{
    window_ = &window;
    rules_.Load(window.directions());
    ShowLists();
    ClearFields();
    show();
    raise();
    activateWindow();
}

void TDirectSet::ListClick(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= rules_.size())
        return;
    // Both lists stand on the same row, whichever was clicked.
    for (QListWidget *list : {ListBox1, ListBox2}) {
        const QSignalBlocker block(list);
        list->setCurrentRow(row);
    }
    Edit1->setText(gbk::ToQString(rules_.forward[static_cast<std::size_t>(row)]));
    Edit2->setText(gbk::ToQString(rules_.reverse[static_cast<std::size_t>(row)]));
}

void TDirectSet::BitBtn1Click()
{
    ClearFields();
}

void TDirectSet::BitBtn2Click()
{
    rules_.Confirm(gbk::FromQString(Edit1->text()), gbk::FromQString(Edit2->text()));
    ShowLists();
    ClearFields();
}

void TDirectSet::BitBtn4Click()
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    if (selected.isEmpty() || !rules_.Delete(ListBox1->row(selected.front())))
        return;
    ShowLists();
    ClearFields();
}

void TDirectSet::BitBtn5Click()
{
    // Applied at once: a path editor cancelled later keeps these pairs.
    if (SessionPort *window = window_.get())
        window->SetDirections(rules_.Result());
    close();
}

void TDirectSet::BitBtn6Click()
{
    close();
}

} // namespace session
