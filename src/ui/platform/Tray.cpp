#include "ui/platform/Tray.h"

#include <QSystemTrayIcon>

namespace platform {

SystemTray::SystemTray(const QIcon &icon)
    : icon_(new QSystemTrayIcon(icon))
{
    // No tip text: the icon alone stands for the hidden program.
    QObject::connect(icon_, &QSystemTrayIcon::activated, icon_,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::DoubleClick && onDoubleClick)
                             onDoubleClick();
                     });
}

SystemTray::~SystemTray()
{
    delete icon_;
}

bool SystemTray::IsAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTray::Show()
{
    icon_->show();
}

void SystemTray::Hide()
{
    icon_->hide();
}

bool SystemTray::IsShown() const
{
    return icon_->isVisible();
}

} // namespace platform
