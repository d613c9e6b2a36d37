#include "ui/session/SessionLink.h"

#include "render/ScreenThread.h"

#include <chrono>
#include <thread>

#include <QMetaObject>
#include <QObject>

SessionLink::SessionLink(QObject *window, screen::DrawSence *screen,
                         std::shared_ptr<GroupTable> groups,
                         std::shared_ptr<automation::TriggerEngine> triggers, WindowSide side)
    : window_(window)
    , screen_(screen)
    , groups_(std::move(groups))
    , triggers_(std::move(triggers))
    , side_(std::move(side))
{
    // The engine's own screen lines (a cut trigger command) are raised on the
    // screen thread, which the screen outlives.
    if (triggers_ && screen_)
        triggers_->SetScreenLine([screen](std::string line) { screen->Enqueue(std::move(line)); });
}

void SessionLink::Close()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
    window_ = nullptr;
    screen_ = nullptr;
}

bool SessionLink::closed() const
{
    std::lock_guard lock(mutex_);
    return closed_;
}

void SessionLink::Post(std::function<void()> fn)
{
    // Posting under the lock: the window closes the link (same lock) before it
    // is destroyed, and Qt drops calls still queued for a destroyed object.
    std::lock_guard lock(mutex_);
    if (closed_)
        return;
    QMetaObject::invokeMethod(window_, std::move(fn), Qt::QueuedConnection);
}

void SessionLink::Enqueue(std::string item)
{
    std::lock_guard lock(mutex_);
    if (closed_)
        return;
    // Echoes are noted before they are queued, so the engine knows the line
    // when it comes back decoded: only firings on echoes are ever held back.
    if (triggers_)
        triggers_->NoteQueuedItem(item);
    screen_->Enqueue(std::move(item));
}

void SessionLink::WriteLine(std::string line)
{
    Post([this, line = std::move(line)] { side_.writeLine(line); });
}

void SessionLink::Sleep(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::optional<std::string> SessionLink::LookupGroup(std::string_view name)
{
    return groups_->Lookup(name);
}

void SessionLink::SetTriggerGroupEnabled(std::string_view groupUpper, bool enabled)
{
    if (!closed())
        triggers_->SetGroupEnabled(groupUpper, enabled);
}

void SessionLink::AppendAuxLine(std::string text)
{
    Post([this, text = std::move(text)]() mutable { side_.appendAuxLine(std::move(text)); });
}

void SessionLink::RunnerStarted()
{
    Post([this] { side_.runnerCount(+1); });
}

void SessionLink::RunnerEnded()
{
    Post([this] { side_.runnerCount(-1); });
}
