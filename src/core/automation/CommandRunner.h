// MudCommand: one short-lived thread per command text. It runs the text through
// the command language against its window's RunnerHost and ends by itself.
#pragma once

#include "core/automation/RunnerHost.h"

#include <memory>
#include <string>

namespace automation {

class MudCommand
{
public:
    // Tells the host a runner started (in the caller's thread), then runs
    // `commandText` on a new detached thread, which tells the host it ended.
    // The thread shares ownership of the host, so a runner whose window has
    // closed still finishes its text against a host that drops everything.
    // Returns false when no thread could be created; the start notice is then
    // balanced at once and nothing runs.
    static bool Start(std::shared_ptr<RunnerHost> host, std::string commandText,
                      bool slowMode = false, int slowDelayMs = 1500);
    // The same for a line the server asked not to show (a password): it is
    // written to the connection, and nothing of it reaches the screen or the
    // auxiliary window, so no echo, no trigger and no mirror sees it.
    static bool StartUnechoed(std::shared_ptr<RunnerHost> host, std::string commandText);

private:
    MudCommand(std::shared_ptr<RunnerHost> host, std::string commandText, bool slowMode,
               int slowDelayMs);
    void Execute();

    std::shared_ptr<RunnerHost> host_;
    std::string commandText;
    bool slowMode;
    int slowDelayMs;
};

} // namespace automation
