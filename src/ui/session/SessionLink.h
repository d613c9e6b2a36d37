// The link a game window's command runners hold: a shared, reference-counted
// handle that outlives the window. Once the window closes the link drops
// everything, so a runner can finish its text without touching freed state.
#pragma once

#include "core/automation/GroupTable.h"
#include "core/automation/RunnerHost.h"
#include "core/automation/Triggers.h"

#include <functional>
#include <memory>
#include <mutex>

#include <QPointer>

class QObject;

namespace screen {
class DrawSence;
}

class SessionLink : public RunnerHost
{
public:
    // What the window does on its own thread when a runner asks for it.
    struct WindowSide
    {
        std::function<void(const std::string &line)> writeLine;
        std::function<void(std::string text)> appendAuxLine;
        std::function<void(int delta)> runnerCount;
    };

    SessionLink(QObject *window, screen::DrawSence *screen, std::shared_ptr<GroupTable> groups,
                std::shared_ptr<automation::TriggerEngine> triggers, WindowSide side);

    // Called by the window before it goes; afterwards nothing reaches it.
    void Close();
    bool closed() const;

    void Enqueue(std::string item) override;
    void WriteLine(std::string line) override;
    void Sleep(int ms) override;
    std::optional<std::string> LookupGroup(std::string_view name) override;
    void SetTriggerGroupEnabled(std::string_view groupUpper, bool enabled) override;
    void AppendAuxLine(std::string text) override;
    void RunnerStarted() override;
    void RunnerEnded() override;

private:
    // Runs `fn` later on the window's thread, in the order of posting.
    void Post(std::function<void()> fn);

    mutable std::mutex mutex_;
    bool closed_ = false;
    QObject *window_;
    screen::DrawSence *screen_;
    std::shared_ptr<GroupTable> groups_;
    std::shared_ptr<automation::TriggerEngine> triggers_;
    WindowSide side_;
};
