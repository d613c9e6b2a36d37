#include "core/automation/RunnerStop.h"

#include <chrono>

namespace automation {

void StopSwitch::Stop()
{
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    wake_.notify_all();
    source_.request_stop();
}

bool StopSwitch::stopped() const
{
    std::lock_guard lock(mutex_);
    return stopped_;
}

bool StopSwitch::WaitFor(int ms)
{
    std::unique_lock lock(mutex_);
    if (ms > 0)
        wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopped_; });
    return stopped_;
}

StoppableHost::StoppableHost(std::shared_ptr<RunnerHost> inner, std::shared_ptr<StopSwitch> stop)
    : ForwardingHost(std::move(inner))
    , stop_(std::move(stop))
{}

void StoppableHost::ThrowIfStopped() const
{
    if (stop_->stopped())
        throw RunnerStopped();
}

void StoppableHost::Enqueue(std::string item)
{
    ThrowIfStopped();
    // A runner waiting for room on the screen is stopped there too.
    inner().EnqueueUntilStopped(std::move(item), stop_->token());
    ThrowIfStopped();
}

void StoppableHost::WriteLine(std::string line)
{
    ThrowIfStopped();
    ForwardingHost::WriteLine(std::move(line));
}

void StoppableHost::Sleep(int ms)
{
    // The wait itself is ours, so a stop ends a long "#WA" or a slow walk's
    // pause at once instead of after it.
    if (stop_->WaitFor(ms))
        throw RunnerStopped();
}

std::optional<std::string> StoppableHost::LookupGroup(std::string_view name)
{
    // Every command starts with this look-up, so even a long repeat of
    // commands that send nothing ends at its next step.
    ThrowIfStopped();
    return ForwardingHost::LookupGroup(name);
}

void StoppableHost::SetTriggerGroupEnabled(std::string_view groupUpper, bool enabled)
{
    ThrowIfStopped();
    ForwardingHost::SetTriggerGroupEnabled(groupUpper, enabled);
}

void StoppableHost::AppendAuxLine(std::string text)
{
    ThrowIfStopped();
    ForwardingHost::AppendAuxLine(std::move(text));
}

std::shared_ptr<RunnerHost> RunnerStops::Wrap(std::shared_ptr<RunnerHost> host)
{
    std::lock_guard lock(mutex_);
    return std::make_shared<StoppableHost>(std::move(host), current_);
}

void RunnerStops::StopAll()
{
    std::shared_ptr<StopSwitch> thrown;
    {
        std::lock_guard lock(mutex_);
        thrown = std::move(current_);
        current_ = std::make_shared<StopSwitch>();
    }
    thrown->Stop();
}

} // namespace automation
