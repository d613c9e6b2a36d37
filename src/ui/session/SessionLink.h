// The link a game window's command runners hold: a shared, reference-counted
// handle that outlives the window. Once the window closes the link drops
// everything, so a runner can finish its text without touching freed state.
// A runner's items wait here while the screen's queue is full; the screen
// wakes them as it drains, and closing the window lets them go.
#pragma once

#include "core/automation/GroupTable.h"
#include "core/automation/RunnerHost.h"
#include "core/automation/Triggers.h"
#include "render/RoomWatcher.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <QPointer>

class QObject;

namespace screen {
class DrawSence;
}

namespace session {

class SessionLink final : public automation::RunnerHost, private screen::RoomWatcher
{
public:
    // What the window does on its own thread when a runner asks for it; the
    // window implements it and outlives every call posted to it.
    class WindowSide
    {
    public:
        virtual ~WindowSide() = default;
        virtual void WriteLine(const std::string &line) = 0;
        virtual void AppendAuxLine(std::string text) = 0;
        virtual void RunnerCountChanged(int delta) = 0;
    };

    // Items longer than this reach the screen in pieces of this size, each
    // waiting for room: longer than any echo the trigger engine remembers.
    static constexpr std::size_t kPieceBytes = 256 * 1024;

    // The window stops the screen's thread before the link's last owner
    // outside the runners lets it go: the screen calls back into the link.
    SessionLink(QObject *window, screen::DrawSence *screen,
                std::shared_ptr<automation::GroupTable> groups,
                std::shared_ptr<automation::TriggerEngine> triggers, WindowSide &side);

    // Called by the window before it goes; afterwards nothing reaches it.
    void Close();
    bool closed() const;

    // Runner threads only (never the window's or the screen's): waits while
    // the item would take the screen's queue past its bound, until the screen
    // has drained, the window closes or `stop` is requested.
    void Enqueue(std::string item) override;
    void EnqueueUntilStopped(std::string item, std::stop_token stop) override;
    void WriteLine(std::string line) override;
    void Sleep(int ms) override;
    std::optional<std::string> LookupGroup(std::string_view name) override;
    void SetTriggerGroupEnabled(std::string_view groupUpper, bool enabled) override;
    void AppendAuxLine(std::string text) override;
    void RunnerStarted() override;
    void RunnerEnded() override;

private:
    // Screen thread: runners waiting for room look again.
    void RoomMade() override;
    // Runs `fn` later on the window's thread, in the order of posting.
    void Post(std::function<void()> fn);
    // With the lock held: waits for room for `bytes`; false when the wait was
    // given up (closed or stopped).
    bool WaitForRoom(std::unique_lock<std::mutex> &lock, std::size_t bytes,
                     const std::stop_token &stop);

    mutable std::mutex mutex_;
    bool closed_ = false;
    std::condition_variable_any room_; // with mutex_: the screen drained, or closed
    QObject *window_;
    screen::DrawSence *screen_;
    std::shared_ptr<automation::GroupTable> groups_;
    std::shared_ptr<automation::TriggerEngine> triggers_;
    WindowSide &side_;
};

} // namespace session
