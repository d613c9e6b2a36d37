#include "ui/session/SessionLink.h"

#include "render/ScreenThread.h"

#include <chrono>
#include <thread>

#include <QMetaObject>
#include <QObject>

namespace session {

SessionLink::SessionLink(QObject *window, screen::DrawSence *screen,
                         std::shared_ptr<automation::GroupTable> groups,
                         std::shared_ptr<automation::TriggerEngine> triggers, WindowSide &side)
    : window_(window)
    , screen_(screen)
    , groups_(std::move(groups))
    , triggers_(std::move(triggers))
    , side_(side)
{
    if (screen_)
        screen_->SetRoomWatcher(this);
}

void SessionLink::RoomMade()
{
    // Taking the lock orders the wake after a waiter's look at the queue; no
    // runner holds it for longer than one push.
    {
        std::lock_guard lock(mutex_);
    }
    room_.notify_all();
}

void SessionLink::Close()
{
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        window_ = nullptr;
        screen_ = nullptr;
    }
    room_.notify_all();
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

bool SessionLink::WaitForRoom(std::unique_lock<std::mutex> &lock, std::size_t bytes,
                              const std::stop_token &stop)
{
    // An empty queue takes any item, so nothing waits for ever.
    room_.wait(lock, stop, [&] {
        if (closed_)
            return true;
        const std::size_t queued = screen_->QueuedBytes();
        return queued == 0 || queued + bytes <= screen::DrawSence::kQueueBound;
    });
    return !closed_ && !stop.stop_requested();
}

void SessionLink::Enqueue(std::string item)
{
    EnqueueUntilStopped(std::move(item), {});
}

void SessionLink::EnqueueUntilStopped(std::string item, std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    if (closed_)
        return;
    // Echoes are noted as they are queued, so the engine knows the line
    // when it comes back decoded: only firings on echoes are ever held back.
    // A long item is noted whole (the engine ignores lines too long to come
    // back whole) and queued a piece at a time; the decoder takes pieces as
    // it takes reads.
    if (item.size() <= kPieceBytes) {
        if (!WaitForRoom(lock, item.size(), stop))
            return;
        if (triggers_)
            triggers_->NoteQueuedItem(item);
        screen_->Enqueue(std::move(item));
        return;
    }
    if (triggers_)
        triggers_->NoteQueuedItem(item);
    for (std::size_t at = 0; at < item.size(); at += kPieceBytes) {
        const std::size_t n = std::min(kPieceBytes, item.size() - at);
        if (!WaitForRoom(lock, n, stop))
            return;
        screen_->Enqueue(item.substr(at, n));
    }
}

void SessionLink::WriteLine(std::string line)
{
    Post([this, line = std::move(line)] { side_.WriteLine(line); });
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
    Post([this, text = std::move(text)]() mutable { side_.AppendAuxLine(std::move(text)); });
}

void SessionLink::RunnerStarted()
{
    Post([this] { side_.RunnerCountChanged(+1); });
}

void SessionLink::RunnerEnded()
{
    Post([this] { side_.RunnerCountChanged(-1); });
}

} // namespace session
