#include "ui/automation/TriggerEditor.h"

#include "render/GbkCodec.h"
#include "ui/platform/DialogLook.h"
#include "ui/platform/MemoText.h"
#include "ui/session/SessionPort.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace automation {

namespace {

constexpr int kGridColumns = 3;
constexpr int kRowHeight = 15;

using platform::MakeLabel;

QPushButton *MakeButton(const QString &text, QWidget *parent, int x, int y)
{
    return platform::MakeButton(text, parent, x, y, 52, 26);
}

} // namespace

TAutoSetting::TAutoSetting(QWidget *parent)
    : QDialog(parent)
{
    platform::SetDialogLook(this, QStringLiteral("自动设置"), 679, 350);
    BuildControls();

    connect(datalist, &QTableWidget::cellClicked, this,
            [this](int row, int column) { datalistSelectCell(column, row + 1); });
    connect(newbuttom, &QPushButton::clicked, this, [this] { newbuttomClick(); });
    connect(yesbutton, &QPushButton::clicked, this, [this] { yesbuttonClick(); });
    connect(cancelbutton, &QPushButton::clicked, this, [this] { cancelbuttonClick(); });
    connect(deletebutton, &QPushButton::clicked, this, [this] { deletebuttonClick(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(BitBtn6, &QPushButton::clicked, this, [this] { BitBtn6Click(); });
    // An editable combo box hands typed keys to its line edit; watch both.
    ComboBox1->installEventFilter(this);
    ComboBox1->lineEdit()->installEventFilter(this);

    rules_.Load(automation::TriggerTable{});
    ShowGrid();
}

void TAutoSetting::BuildControls()
{
    datalist = new QTableWidget(0, kGridColumns, this);
    datalist->setGeometry(8, 8, 305, 334);
    datalist->setHorizontalHeaderLabels(
        {QStringLiteral(" "), QStringLiteral("组名"), QStringLiteral("判断字串")});
    datalist->verticalHeader()->hide();
    datalist->verticalHeader()->setMinimumSectionSize(kRowHeight);
    datalist->verticalHeader()->setDefaultSectionSize(kRowHeight);
    datalist->horizontalHeader()->setMinimumSectionSize(20);
    datalist->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    datalist->setColumnWidth(0, 20);
    datalist->setColumnWidth(1, 30);
    datalist->setColumnWidth(2, 160);
    datalist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    datalist->setSelectionMode(QAbstractItemView::SingleSelection);
    datalist->setSelectionBehavior(QAbstractItemView::SelectRows);
    datalist->setWordWrap(false);

    MakeLabel(QStringLiteral("判断字样："), this, 324, 12);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(324, 30, 346, 21);
    MakeLabel(QStringLiteral("发送命令"), this, 324, 62);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(324, 80, 346, 170);
    MakeLabel(QStringLiteral("组名:"), this, 324, 265);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(true);
    // The list holds the groups the rules collected, nothing typed goes in by itself.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setGeometry(364, 261, 160, 22);

    newbuttom = MakeButton(QStringLiteral("新键"), this, 324, 314);
    yesbutton = MakeButton(QStringLiteral("确定"), this, 382, 314);
    cancelbutton = MakeButton(QStringLiteral("取消"), this, 440, 314);
    deletebutton = MakeButton(QStringLiteral("删除"), this, 498, 314);
    BitBtn5 = MakeButton(QStringLiteral("关闭"), this, 560, 314);
    BitBtn6 = MakeButton(QStringLiteral("放弃"), this, 618, 314);
}

void TAutoSetting::ShowGrid()
{
    const int dataRows = rules_.lastRow(); // grid rows below the header
    datalist->clearSelection();
    datalist->setRowCount(dataRows);
    for (int r = 0; r < dataRows; ++r) {
        const automation::TriggerGridRow &row = rules_.rows[static_cast<std::size_t>(r + 1)];
        const std::string *cells[kGridColumns] = {&row.mark, &row.group, &row.match};
        for (int c = 0; c < kGridColumns; ++c) {
            QTableWidgetItem *item = datalist->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                datalist->setItem(r, c, item);
            }
            item->setText(gbk::ToQString(*cells[c]));
        }
    }
}

void TAutoSetting::ShowCombo()
{
    ComboBox1->clear();
    for (const std::string &group : rules_.comboGroups)
        ComboBox1->addItem(gbk::ToQString(group));
}

void TAutoSetting::ClearFields()
{
    Edit1->clear();
    Memo1->clear();
    // Filling the list makes its first entry current; the field stays empty.
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(QString());
}

automation::TriggerFields TAutoSetting::ReadFields() const
{
    return {gbk::FromQString(Edit1->text()), platform::MemoToText(Memo1->toPlainText()),
            gbk::FromQString(ComboBox1->currentText())};
}

void TAutoSetting::LoadFromSession(session::SessionPort &window)
{
    hide();
    engine_ = window.triggerEngine();
    disconnect(windowGone_);
    windowGone_ = connect(window.lifetime(), &QObject::destroyed, this, [this] {
        engine_.reset();
        hide();
    });

    const std::shared_ptr<automation::TriggerEngine> engine = engine_.lock();
    rules_.Load(engine ? engine->Snapshot() : automation::TriggerTable{});
    ShowGrid();
    ShowCombo();
    ClearFields();
    show();
    activateWindow();
}

void TAutoSetting::datalistSelectCell(int column, int row)
{
    automation::TriggerFields fields;
    if (!rules_.SelectCell(row, column, fields))
        return;
    if (column == 0) {
        if (QTableWidgetItem *item = datalist->item(row - 1, 0))
            item->setText(gbk::ToQString(rules_.rows[static_cast<std::size_t>(row)].mark));
    }
    Edit1->setText(gbk::ToQString(fields.match));
    Memo1->setPlainText(platform::TextToMemo(fields.command));
    ComboBox1->setEditText(gbk::ToQString(fields.group));
}

void TAutoSetting::newbuttomClick()
{
    rules_.New();
    datalist->clearSelection();
    ClearFields();
    Edit1->setFocus();
}

void TAutoSetting::yesbuttonClick()
{
    if (!rules_.Confirm(ReadFields()))
        return;
    ShowGrid();
    ShowCombo();
    ClearFields();
}

void TAutoSetting::cancelbuttonClick()
{
    ClearFields();
}

void TAutoSetting::deletebuttonClick()
{
    if (!rules_.Delete())
        return;
    ShowGrid();
    // The selection keeps its number: it now names the row that moved up.
    datalist->selectRow(rules_.selectedRow - 1);
    Edit1->clear();
    Memo1->clear();
}

void TAutoSetting::BitBtn5Click()
{
    // One replacement under the engine's lock: the screen thread sees either
    // the old table or the new one, never a half-written one.
    if (const std::shared_ptr<automation::TriggerEngine> engine = engine_.lock())
        engine->Replace(rules_.BuildTable());
    close();
}

void TAutoSetting::BitBtn6Click()
{
    close();
}

bool TAutoSetting::ComboBox1KeyPress(const QKeyEvent *event) const
{
    for (char32_t ch : event->text().toUcs4()) {
        if (automation::TriggerEditorRules::GroupKeySwallowed(ch))
            return true;
    }
    return false;
}

bool TAutoSetting::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == ComboBox1 || watched == ComboBox1->lineEdit()) &&
        event->type() == QEvent::KeyPress && ComboBox1KeyPress(static_cast<QKeyEvent *>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

} // namespace automation
