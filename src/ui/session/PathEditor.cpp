#include "ui/session/PathEditor.h"

#include "render/GbkCodec.h"
#include "ui/platform/DialogLook.h"
#include "ui/platform/MemoText.h"
#include "ui/platform/SystemMessage.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace session {

namespace {

QPushButton *MakeButton(const QString &text, QWidget *parent, int x, int y)
{
    return platform::MakeButton(text, parent, x, y, 60, 28);
}

using platform::MakeLabel;

} // namespace

TRoadSetting::TRoadSetting(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("RoadSetting"));
    platform::SetDialogLook(this, QStringLiteral("路径"), 400, 292);
    BuildControls();

    connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(BitBtn6, &QPushButton::clicked, this, [this] { BitBtn6Click(); });
}

void TRoadSetting::BuildControls()
{
    ListBox1 = new QListWidget(this);
    ListBox1->setGeometry(8, 8, 130, 238);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);

    MakeLabel(QStringLiteral("路径名："), this, 146, 10);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(146, 26, 246, 21);
    MakeLabel(QStringLiteral("命令:"), this, 146, 54);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(146, 70, 246, 146);
    MakeLabel(QStringLiteral("慢速延迟"), this, 146, 228);
    Edit2 = new QLineEdit(this);
    Edit2->setGeometry(200, 224, 80, 21);
    MakeLabel(QStringLiteral("毫秒"), this, 286, 228);

    const int y = 256;
    BitBtn3 = MakeButton(QStringLiteral("新建"), this, 8, y);
    BitBtn1 = MakeButton(QStringLiteral("确定"), this, 72, y);
    BitBtn2 = MakeButton(QStringLiteral("删除"), this, 136, y);
    BitBtn4 = MakeButton(QStringLiteral("设置"), this, 200, y);
    BitBtn5 = MakeButton(QStringLiteral("关闭"), this, 264, y);
    BitBtn6 = MakeButton(QStringLiteral("取消"), this, 328, y);
}

void TRoadSetting::ShowList()
{
    ListBox1->clear();
    for (const std::string &name : rules_.names)
        ListBox1->addItem(gbk::ToQString(name));
}

void TRoadSetting::ClearFields()
{
    Edit1->clear();
    Memo1->clear();
}

int TRoadSetting::SelectedRow() const
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.front());
}

void TRoadSetting::OpenPathEditor(SessionPort &window)
{
    window_ = &window;
    ClearFields();
    rules_.Load(window.paths());
    ShowList();
    Edit2->setText(QString::number(window.slowWalkDelayMs()));
}

void TRoadSetting::ShowNow()
{
    show();
    raise();
    activateWindow();
}

void TRoadSetting::ShowFor(SessionPort &window)
{
    OpenPathEditor(window);
    ShowNow();
}

void TRoadSetting::ShowRecording(SessionPort &window, const std::string &recorded)
{
    OpenPathEditor(window);
    Memo1->setPlainText(platform::TextToMemo(recorded));
    ShowNow();
    // The player names the path next.
    Edit1->setFocus();
}

void TRoadSetting::ListBox1Click()
{
    const int row = SelectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= rules_.size())
        return;
    Edit1->setText(gbk::ToQString(rules_.names[static_cast<std::size_t>(row)]));
    Memo1->setPlainText(platform::TextToMemo(rules_.texts[static_cast<std::size_t>(row)]));
}

void TRoadSetting::BitBtn3Click()
{
    ClearFields();
}

void TRoadSetting::BitBtn1Click()
{
    if (!rules_.Confirm(gbk::FromQString(Edit1->text()),
                        platform::MemoToText(Memo1->toPlainText())))
        return;
    ShowList();
    ClearFields();
}

void TRoadSetting::BitBtn2Click()
{
    if (!rules_.Delete(SelectedRow()))
        return;
    ShowList();
    ClearFields();
}

void TRoadSetting::BitBtn4Click()
{
    if (SessionPort *window = window_.get(); window && openDirectionEditor)
        openDirectionEditor(*window);
}

void TRoadSetting::BitBtn5Click()
{
    const auto delay = session::PathEditorRules::SlowDelayFrom(gbk::FromQString(Edit2->text()));
    if (!delay) {
        platform::ShowSystemMessage(this, QStringLiteral("慢速延迟必须输入数字类型!"),
                                    platform::MessageIcon::Error);
        return;
    }
    if (SessionPort *window = window_.get()) {
        window->SetSlowWalkDelayMs(*delay);
        window->SetPaths(rules_.Result());
    }
    close();
}

void TRoadSetting::BitBtn6Click()
{
    close();
}

} // namespace session
