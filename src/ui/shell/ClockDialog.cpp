#include "ui/shell/ClockDialog.h"

#include "render/GbkCodec.h"
#include "ui/platform/DialogLook.h"
#include "ui/platform/SystemMessage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

namespace {

QLabel *Label(const char *text, QWidget *parent)
{
    return new QLabel(QString::fromUtf8(text), parent);
}

// Nine rows and the buttons share a client area only 265 pixels high.
void Compact(QGridLayout *grid)
{
    grid->setContentsMargins(8, 2, 8, 4);
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(4);
}

} // namespace

TClockForm::TClockForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("ClockForm"));
    platform::SetDialogLook(this, QStringLiteral("定时"), 314, 265);

    KeepAliveCheck = new QCheckBox(QStringLiteral("断线防止"), this);
    IntervalEdit = new QLineEdit(QStringLiteral("0"), this);
    IntervalEdit->installEventFilter(this);
    KeepAliveCommandEdit = new QLineEdit(this);
    AllWindowsCheck = new QCheckBox(QStringLiteral("对所有窗口有效"), this);
    HangUpCheck = new QCheckBox(QStringLiteral("定时挂断"), this);
    HourEdit = new QLineEdit(this);
    MinuteEdit = new QLineEdit(this);
    HangUpCommandsEdit = new QLineEdit(this);
    WaitCheck = new QCheckBox(QStringLiteral("等待正常断开后挂断"), this);
    // The machine, not a particular system, is what goes off.
    ShutDownCheck = new QCheckBox(QStringLiteral("挂断后关闭计算机"), this);
    yesbutton = new QPushButton(QStringLiteral("确定"), this);
    nobutton = new QPushButton(QStringLiteral("放弃"), this);
    yesbutton->setDefault(true);

    // Each group is headed by its check box.
    auto *keepAlive = new QGroupBox(this);
    auto *g1 = new QGridLayout(keepAlive);
    Compact(g1);
    g1->addWidget(KeepAliveCheck, 0, 0, 1, 3);
    g1->addWidget(Label("间隔时间：", keepAlive), 1, 0);
    g1->addWidget(IntervalEdit, 1, 1);
    g1->addWidget(Label("分钟", keepAlive), 1, 2);
    g1->addWidget(Label("发送命令：", keepAlive), 2, 0);
    g1->addWidget(KeepAliveCommandEdit, 2, 1, 1, 2);
    g1->addWidget(AllWindowsCheck, 3, 0, 1, 3);

    auto *hangUp = new QGroupBox(this);
    auto *g2 = new QGridLayout(hangUp);
    Compact(g2);
    g2->addWidget(HangUpCheck, 0, 0, 1, 2);
    auto *time = new QHBoxLayout;
    time->setSpacing(4);
    time->addWidget(HourEdit);
    time->addWidget(Label("点", hangUp));
    time->addWidget(MinuteEdit);
    time->addWidget(Label("分", hangUp));
    g2->addWidget(Label("挂断时间：", hangUp), 1, 0);
    g2->addLayout(time, 1, 1);
    g2->addWidget(Label("挂断前发送命令：", hangUp), 2, 0);
    g2->addWidget(HangUpCommandsEdit, 2, 1);
    g2->addWidget(WaitCheck, 3, 0, 1, 2);
    g2->addWidget(ShutDownCheck, 4, 0, 1, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(yesbutton);
    buttons->addWidget(nobutton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 6);
    layout->setSpacing(2);
    layout->addWidget(keepAlive);
    layout->addWidget(hangUp);
    layout->addLayout(buttons);

    connect(yesbutton, &QPushButton::clicked, this, &TClockForm::yesbuttonClick);
    connect(nobutton, &QPushButton::clicked, this, &TClockForm::nobuttonClick);
}

void TClockForm::Open(const shell::ClockSettings &settings, std::function<void()> onConfirmed)
{
    onConfirmed_ = std::move(onConfirmed);
    const shell::ClockFormFields fields = shell::FieldsFrom(settings);
    HangUpCheck->setChecked(fields.hangUpEnabled);
    HourEdit->setText(gbk::ToQString(fields.hangUpHour));
    MinuteEdit->setText(gbk::ToQString(fields.hangUpMinute));
    HangUpCommandsEdit->setText(gbk::ToQString(fields.hangUpCommands));
    WaitCheck->setChecked(fields.waitForDisconnect);
    ShutDownCheck->setChecked(fields.shutdownAfterHangUp);
    IntervalEdit->setText(gbk::ToQString(fields.keepAliveMinutes));
    KeepAliveCommandEdit->setText(gbk::ToQString(fields.keepAliveCommand));
    KeepAliveCheck->setChecked(fields.keepAliveEnabled);
    AllWindowsCheck->setChecked(fields.keepAliveAllWindows);
    show();
    raise();
    activateWindow();
}

shell::ClockFormFields TClockForm::Fields() const
{
    shell::ClockFormFields fields;
    fields.hangUpEnabled = HangUpCheck->isChecked();
    fields.hangUpHour = gbk::FromQString(HourEdit->text());
    fields.hangUpMinute = gbk::FromQString(MinuteEdit->text());
    fields.hangUpCommands = gbk::FromQString(HangUpCommandsEdit->text());
    fields.waitForDisconnect = WaitCheck->isChecked();
    fields.shutdownAfterHangUp = ShutDownCheck->isChecked();
    fields.keepAliveEnabled = KeepAliveCheck->isChecked();
    fields.keepAliveAllWindows = AllWindowsCheck->isChecked();
    fields.keepAliveMinutes = gbk::FromQString(IntervalEdit->text());
    fields.keepAliveCommand = gbk::FromQString(KeepAliveCommandEdit->text());
    return fields;
}

std::optional<shell::ClockSettings> TClockForm::Settings() const
{
    shell::ClockFormFields fields = Fields();
    return shell::ConfirmFields(fields);
}

void TClockForm::yesbuttonClick()
{
    shell::ClockFormFields fields = Fields();
    const bool numbers = shell::ConfirmFields(fields).has_value();
    // Empty number fields read "0" from here on, also when another is refused.
    IntervalEdit->setText(gbk::ToQString(fields.keepAliveMinutes));
    HourEdit->setText(gbk::ToQString(fields.hangUpHour));
    MinuteEdit->setText(gbk::ToQString(fields.hangUpMinute));
    if (!numbers) {
        platform::ShowSystemMessage(this, QStringLiteral("间隔时间,定时挂断必须输入数字类型数值"),
                                    platform::MessageIcon::Stop);
        return;
    }
    if (onConfirmed_)
        onConfirmed_();
    close();
}

void TClockForm::nobuttonClick()
{
    close();
}

bool TClockForm::eventFilter(QObject *watched, QEvent *event)
{
    // Only the interval field filters what is typed into it; pasted text is
    // caught by "确定".
    if (watched == IntervalEdit && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        if (!text.isEmpty() && !shell::IntervalKeyPasses(text.at(0).unicode()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace shell
