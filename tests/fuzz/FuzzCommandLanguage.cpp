// The command language on any text: it must end in bounded time and memory,
// however the text nests braces, repeats, conditionals and command groups.
// The host counts every call the runner makes and ends the run past a
// budget; what was sent stays within what the text and its groups hold.
#include "FuzzInput.h"
#include "core/automation/CommandLanguage.h"
#include "core/automation/GroupTable.h"

#include <string>

using automation::CommandLanguage;
using automation::GroupTable;
using automation::RunnerHost;

namespace {

struct OverBudget
{};

// Groups that reach each other and themselves, through braces and repeats.
const std::vector<std::string> kGroupNames = {"g", "h", "loop", "{x}"};
const std::vector<std::string> kGroupContents = {"a;h;#2 g", "{b;#3 loop}", "loop;loop",
                                                 "#CI 1=1 g,h"};

class CountingHost : public RunnerHost
{
public:
    explicit CountingHost(std::size_t longest)
        : longest_(longest)
    {
        groups_.Replace(kGroupNames, kGroupContents);
    }

    void Enqueue(std::string item) override
    {
        // An echo or a notice: never more than the longest text plus its frame.
        fuzz::Check(item.size() <= longest_ + 128, "queued item larger than any text");
        Spend();
    }
    void WriteLine(std::string line) override
    {
        fuzz::Check(!line.empty() && line.back() == '\n', "line without its LF");
        fuzz::Check(line.size() <= longest_ + 1, "sent line larger than any text");
        Spend();
    }
    void Sleep(int ms) override
    {
        fuzz::Check(ms >= 0, "negative sleep");
        Spend();
    }
    std::optional<std::string> LookupGroup(std::string_view name) override
    {
        Spend();
        return groups_.Lookup(name);
    }
    void SetTriggerGroupEnabled(std::string_view, bool) override { Spend(); }
    void AppendAuxLine(std::string) override { Spend(); }
    void RunnerStarted() override {}
    void RunnerEnded() override {}

private:
    void Spend()
    {
        if (++calls_ > kBudget)
            throw OverBudget{};
    }

    static constexpr std::size_t kBudget = 20000;
    std::size_t longest_;
    std::size_t calls_ = 0;
    GroupTable groups_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 8192)
        return 0;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    std::size_t longest = text.size();
    for (const auto &c : kGroupContents)
        longest = std::max(longest, c.size());
    CountingHost host(longest);
    CommandLanguage language(host);
    try {
        language.RunText(text);
    } catch (const OverBudget &) {
        // A long but finite run: the budget is the bound being checked.
    }
    return 0;
}
