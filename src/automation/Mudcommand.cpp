#include "automation/Mudcommand.h"

#include "automation/CommandLanguage.h"

#include <cerrno>
#include <system_error>
#include <thread>

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// Runners sit one step below the threads that keep the window responsive.
void LowerOwnPriority()
{
#if defined(__linux__)
    const id_t self = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    int nice = ::getpriority(PRIO_PROCESS, self);
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, self, nice + 1);
#endif
}

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

void MudCommand::Execute()
{
    LowerOwnPriority();
    try {
        CommandLanguage language(*host_, slowMode, slowDelayMs);
        language.RunText(commandText);
    } catch (...) {
        // A host that fails (say, out of memory while queueing) ends this
        // runner's text; the window's count must still come back down.
    }
    host_->RunnerEnded();
}
