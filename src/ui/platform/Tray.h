// The notification-area icon the main frame hides behind, and whether the
// desktop has a notification area at all.
#pragma once

#include <functional>

#include <QIcon>

class QSystemTrayIcon;

namespace platform {

class NotificationTray
{
public:
    virtual ~NotificationTray() = default;
    // False where the desktop shows no notification area; the frame then
    // minimises instead of hiding, so the player can always come back.
    virtual bool IsAvailable() const = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool IsShown() const = 0;

    // A left-button double click on the icon, the only click acted on.
    std::function<void()> onDoubleClick;
};

// The real icon, through the desktop's notification area.
class SystemTray : public NotificationTray
{
public:
    explicit SystemTray(const QIcon &icon);
    ~SystemTray() override;

    bool IsAvailable() const override;
    void Show() override;
    void Hide() override;
    bool IsShown() const override;

private:
    QSystemTrayIcon *icon_;
};

} // namespace platform
