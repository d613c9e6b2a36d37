#include "core/automation/CommandRunner.h"

#include "core/automation/CommandLanguage.h"
#include "core/platform/ThreadPriority.h"

#include <system_error>
#include <thread>

namespace automation {

namespace {

// Passes everything through but what would show the text: the screen's queue
// and the auxiliary window.
class UnechoedHost : public ForwardingHost
{
public:
    using ForwardingHost::ForwardingHost;

    // The echo of a sent line, and any notice that would name it, go nowhere.
    void Enqueue(std::string) override {}
    void AppendAuxLine(std::string) override {}
};

} // namespace

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

bool MudCommand::StartUnechoed(std::shared_ptr<RunnerHost> host, std::string commandText)
{
    if (!host)
        return false;
    return Start(std::make_shared<UnechoedHost>(std::move(host)), std::move(commandText));
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

} // namespace automation
