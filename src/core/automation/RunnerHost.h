// What a command runner needs of its game window: the screen's input queue, the
// connection, sleeping, the command groups, the trigger groups and the aux window.
#pragma once

#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace automation {

class RunnerHost
{
public:
    virtual ~RunnerHost() = default;

    // One item into the screen's input queue (echoes of sent lines, notices).
    // A window's host makes the runner wait while the queue is full, so a
    // runner never queues faster than the screen decodes.
    virtual void Enqueue(std::string item) = 0;
    // The same for a runner that can be stopped: a wait for room ends, and
    // the item is dropped, once `stop` is requested. A host that never waits
    // need not override it.
    virtual void EnqueueUntilStopped(std::string item, std::stop_token stop)
    {
        (void)stop;
        Enqueue(std::move(item));
    }
    // One line, ending in LF, to the connection. Dropped silently while the
    // connection is not open. Lines of one runner keep their order and a line is
    // never interleaved with another runner's line.
    virtual void WriteLine(std::string line) = 0;
    // Blocks the calling runner's thread only.
    virtual void Sleep(int ms) = 0;
    // The content of the first command group whose name equals `name` byte-wise.
    virtual std::optional<std::string> LookupGroup(std::string_view name) = 0;
    // Sets the enabled mark of the trigger rows of one group ("#T+" / "#T-");
    // `groupUpper` is already trimmed and upper-cased.
    virtual void SetTriggerGroupEnabled(std::string_view groupUpper, bool enabled) = 0;
    // "#HP": one new line for the auxiliary window.
    virtual void AppendAuxLine(std::string text) = 0;
    // Start and end notices for the window's count of running runners. Called
    // from the creator's and the runner's thread; they must never block on the
    // UI thread.
    virtual void RunnerStarted() = 0;
    virtual void RunnerEnded() = 0;
};

// A host that passes every call to another: a wrapper overrides only what it
// changes (a runner without echo, a runner that can be stopped).
class ForwardingHost : public RunnerHost
{
public:
    explicit ForwardingHost(std::shared_ptr<RunnerHost> inner)
        : inner_(std::move(inner))
    {}

    void Enqueue(std::string item) override { inner_->Enqueue(std::move(item)); }
    void WriteLine(std::string line) override { inner_->WriteLine(std::move(line)); }
    void Sleep(int ms) override { inner_->Sleep(ms); }
    std::optional<std::string> LookupGroup(std::string_view name) override
    {
        return inner_->LookupGroup(name);
    }
    void SetTriggerGroupEnabled(std::string_view groupUpper, bool enabled) override
    {
        inner_->SetTriggerGroupEnabled(groupUpper, enabled);
    }
    void AppendAuxLine(std::string text) override { inner_->AppendAuxLine(std::move(text)); }
    void RunnerStarted() override { inner_->RunnerStarted(); }
    void RunnerEnded() override { inner_->RunnerEnded(); }

protected:
    RunnerHost &inner() { return *inner_; }

private:
    std::shared_ptr<RunnerHost> inner_;
};

} // namespace automation
