#include "core/automation/CommandRunner.h"

#include "core/automation/CommandLanguage.h"
#include "core/platform/ThreadPriority.h"

#include <system_error>
#include <thread>

MudCommand::MudCommand(std::shared_ptr<RunnerHost> host, std::string commandText, bool slowMode,
                       int slowDelayMs)
    : host_(std::move(host))
    , commandText(std::move(commandText))
    , slowMode(slowMode)
    , slowDelayMs(slowDelayMs)
{}

bool MudCommand::Start(std::shared_ptr<RunnerHost> host, std::string commandText, bool slowMode,
                       int slowDelayMs)
{
    if (!host)
        return false;
    host->RunnerStarted();
    auto runner = std::unique_ptr<MudCommand>(
        new MudCommand(host, std::move(commandText), slowMode, slowDelayMs));
    try {
        std::thread([self = std::move(runner)] { self->Execute(); }).detach();
    } catch (const std::system_error &) {
        host->RunnerEnded();
        return false;
    }
    return true;
}

void MudCommand::Execute()
{
    platform::LowerOwnPriority();
    try {
        CommandLanguage language(*host_, slowMode, slowDelayMs);
        language.RunText(commandText);
    } catch (...) {
        // A host that fails (say, out of memory while queueing) ends this
        // runner's text; the window's count must still come back down.
    }
    host_->RunnerEnded();
}
