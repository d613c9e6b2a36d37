#include "ui/session/PathPanel.h"

#include "render/GbkCodec.h"

#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

namespace session {

PathPanel::PathPanel(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    BitBtn1 = new QPushButton(QStringLiteral("快速"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    StopButton = new QPushButton(QStringLiteral("停止"), this);
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setToolTip(QStringLiteral("停止本窗口正在执行的命令和路径"));
    SpeedButton6 = new QToolButton(this);
    SpeedButton6->setObjectName(QStringLiteral("SpeedButton6"));
    SpeedButton6->setText(QStringLiteral("×"));
    hide();
    // The path list takes the focus when the panel opens; it must never be
    // picked as the window's first focusable control while the panel is hidden.
    ListBox1->setFocusPolicy(Qt::ClickFocus);
    BitBtn1->setFocusPolicy(Qt::NoFocus);
    SpeedButton6->setFocusPolicy(Qt::NoFocus);

    connect(SpeedButton6, &QToolButton::clicked, this, &QWidget::hide);
    connect(StopButton, &QPushButton::clicked, this, &PathPanel::stopRequested);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &PathPanel::ListBox1DblClick);
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        BitBtn1->setText(BitBtn1->text() == QStringLiteral("快速") ? QStringLiteral("慢速")
                                                                   : QStringLiteral("快速"));
    });
}

void PathPanel::SetPathNames(const std::vector<std::string> &names)
{
    ListBox1->clear();
    for (const std::string &name : names)
        ListBox1->addItem(gbk::ToQString(name));
}

void PathPanel::Open()
{
    show();
    raise();
    ListBox1->setFocus();
}

void PathPanel::Place(int right, int bottom)
{
    const int panelWidth = 160, panelHeight = std::min(220, std::max(60, bottom - 1));
    setGeometry(right - panelWidth, bottom - panelHeight, panelWidth, panelHeight);
    LayOut();
}

void PathPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

void PathPanel::LayOut()
{
    const int w = width(), h = height();
    ListBox1->setGeometry(2, 2, w - 4, h - 30);
    BitBtn1->setGeometry(2, h - 26, 56, 24);
    StopButton->setGeometry(62, h - 26, 56, 24);
    SpeedButton6->setGeometry(w - 26, h - 26, 24, 24);
}

void PathPanel::ListBox1DblClick()
{
    const int row = ListBox1->currentRow();
    if (row < 0 || !ListBox1->item(row)->isSelected())
        return;
    emit walkRequested(row, BitBtn1->text() == QStringLiteral("慢速"));
}

} // namespace session
