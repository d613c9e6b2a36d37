#include "ui/platform/SingleInstance.h"

#include "ui/platform/SystemMessage.h"

#include <unistd.h>

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace platform {

LockFileInstance::LockFileInstance(QString lockPath)
    : path_(lockPath.isEmpty() ? DefaultLockPath() : std::move(lockPath))
{}

LockFileInstance::~LockFileInstance() = default;

QString LockFileInstance::DefaultLockPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    // One copy per desktop: the display is part of the name, like the window
    // that a running copy shows there. The runtime folder is the user's own,
    // but the temporary fallback is shared, so the user id is part of it too.
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    display.replace(QLatin1Char('/'), QLatin1Char('_'));
    return dir + QStringLiteral("/Quorvel-%1%2.lock")
                     .arg(::getuid())
                     .arg(display.isEmpty() ? QString() : QLatin1Char('-') + display);
}

bool LockFileInstance::TryAcquire()
{
    if (lock_ && lock_->isLocked())
        return true;
    lock_ = std::make_unique<QLockFile>(path_);
    // The lock is held for as long as the program runs: only a holder that no
    // longer exists makes it stale, never its age.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

bool EnsureSingleInstance(SingleInstance &instance, QWidget *parent)
{
    if (instance.TryAcquire())
        return true;
    ShowSystemMessage(parent, QStringLiteral("程序已经在运行中!"), MessageIcon::Stop);
    return false;
}

} // namespace platform
