// TClockForm, the "定时" dialog: keep-alive and the scheduled hang-up. It
// edits the frame's program-wide clock settings, never a single window's, and
// tells its receiver when they were confirmed; it blocks nothing while open.
#pragma once

#include "core/shell/ClockSettings.h"

#include <functional>
#include <optional>

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace shell {

class TClockForm : public QWidget
{
    Q_OBJECT

public:
    explicit TClockForm(QWidget *parent = nullptr);

    // "定时": shows `settings` (the frame's last confirmed ones) and remembers
    // who is told of a confirmation (notice 4).
    void Open(const shell::ClockSettings &settings, std::function<void()> onConfirmed);
    // The settings as the controls hold them; nothing when the interval, the
    // hour or the minute is not a number.
    std::optional<shell::ClockSettings> Settings() const;

    void yesbuttonClick(); // "确定"
    void nobuttonClick();  // "放弃"

    // Group 1, keep-alive.
    QCheckBox *KeepAliveCheck = nullptr;       // "断线防止"
    QLineEdit *IntervalEdit = nullptr;         // after "间隔时间：", before "分钟"
    QLineEdit *KeepAliveCommandEdit = nullptr; // after "发送命令："
    QCheckBox *AllWindowsCheck = nullptr;      // "对所有窗口有效"
    // Group 2, the scheduled hang-up.
    QCheckBox *HangUpCheck = nullptr;        // "定时挂断"
    QLineEdit *HourEdit = nullptr;           // after "挂断时间：", before "点"
    QLineEdit *MinuteEdit = nullptr;         // before "分"
    QLineEdit *HangUpCommandsEdit = nullptr; // after "挂断前发送命令："
    QCheckBox *WaitCheck = nullptr;          // "等待正常断开后挂断"
    QCheckBox *ShutDownCheck = nullptr;      // "挂断后关闭计算机"
    QPushButton *yesbutton = nullptr;        // "确定"
    QPushButton *nobutton = nullptr;         // "放弃"

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    shell::ClockFormFields Fields() const;

    std::function<void()> onConfirmed_;
};

} // namespace shell
