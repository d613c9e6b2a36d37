// Keeps a second copy of the program from running beside the first: one lock per
// user and desktop, held for the life of the process.
#pragma once

#include <memory>

#include <QString>

class QLockFile;
class QWidget;

namespace platform {

class SingleInstance
{
public:
    virtual ~SingleInstance() = default;
    // True when this process is now the only running copy for this user.
    virtual bool TryAcquire() = 0;
};

// The Linux copy: a lock file in the user's runtime folder. The lock dies with
// the process that holds it, so a crashed copy never blocks the next start.
class LockFileInstance : public SingleInstance
{
public:
    // An empty path takes DefaultLockPath().
    explicit LockFileInstance(QString lockPath = {});
    ~LockFileInstance() override;

    bool TryAcquire() override;

    // "<runtime folder>/Quorvel-<user id>-<display>.lock".
    static QString DefaultLockPath();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

// Start-up check: when another copy runs, shows "程序已经在运行中!" with the stop
// icon and returns false; the caller then ends.
bool EnsureSingleInstance(SingleInstance &instance, QWidget *parent = nullptr);

} // namespace platform
