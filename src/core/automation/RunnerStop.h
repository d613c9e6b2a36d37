// Stopping a window's command runners part-way: a walk into danger must be
// breakable. Each runner's host is wrapped with the window's current stop
// switch; throwing the switch wakes the runners' waits and makes their next
// call to the host end their text, which the runner takes as the end of its
// work. Runners started afterwards get a fresh switch and run normally.
#pragma once

#include "core/automation/RunnerHost.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <stop_token>

namespace automation {

// What a stopped host throws to end its runner's text.
class RunnerStopped : public std::runtime_error
{
public:
    RunnerStopped()
        : std::runtime_error("runner stopped")
    {}
};

class StopSwitch
{
public:
    void Stop();
    bool stopped() const;
    // Waits up to `ms`, or less when the switch is thrown meanwhile; true
    // when it was thrown.
    bool WaitFor(int ms);
    // Requested when the switch is thrown: for waits that are not our own.
    std::stop_token token() const { return source_.get_token(); }

private:
    std::stop_source source_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
};

// A runner host that passes everything to the window's host until its switch
// is thrown; from then on every call but the start and end notices throws
// RunnerStopped, so nothing more is echoed or sent.
class StoppableHost : public ForwardingHost
{
public:
    StoppableHost(std::shared_ptr<RunnerHost> inner, std::shared_ptr<StopSwitch> stop);

    void Enqueue(std::string item) override;
    void WriteLine(std::string line) override;
    void Sleep(int ms) override;
    std::optional<std::string> LookupGroup(std::string_view name) override;
    void SetTriggerGroupEnabled(std::string_view groupUpper, bool enabled) override;
    void AppendAuxLine(std::string text) override;

private:
    void ThrowIfStopped() const;

    std::shared_ptr<StopSwitch> stop_;
};

// A window's current switch. Wrap is called from any thread that starts a
// runner (the UI thread, the screen thread for triggers); StopAll from the UI.
class RunnerStops
{
public:
    std::shared_ptr<RunnerHost> Wrap(std::shared_ptr<RunnerHost> host);
    // Stops every runner wrapped so far; later ones get a new switch.
    void StopAll();

private:
    std::mutex mutex_;
    std::shared_ptr<StopSwitch> current_ = std::make_shared<StopSwitch>();
};

} // namespace automation
