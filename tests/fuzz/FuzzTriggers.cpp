// The trigger engine: what fires must not depend on the prefilter (the same
// result as matching every row in order), and no fired command may grow past
// the substitution cap. The input is a table of rows, then lines.
#include "FuzzInput.h"
#include "core/automation/Triggers.h"

#include <string>
#include <vector>

using namespace automation;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 8192)
        return 0;
    fuzz::Input in(data, size);
    const int rows = in.Byte() % 12;
    TriggerTable table;
    for (int i = 0; i < rows; ++i) {
        const bool on = in.Byte() % 4 != 0;
        const std::string pattern(in.Piece('\x01'));
        const std::string command(in.Piece('\x01'));
        table.AddRow(on ? std::string(kTriggerOn) : " ", pattern, command, "");
    }
    table.AddRow(" ", " ", " ", ""); // the blank last row
    std::vector<std::string> lines;
    while (!in.empty())
        lines.emplace_back(in.Piece('\n'));

    TriggerEngine engine;
    std::vector<std::string> fired;
    engine.SetFire([&](std::string c) { fired.push_back(std::move(c)); });
    engine.Replace(table);

    std::vector<std::string> captures;
    for (const std::string &line : lines) {
        fired.clear();
        engine.CheckTriggers(line);
        std::vector<std::string> expected;
        for (std::size_t i = 0; i + 1 < table.size(); ++i) {
            if (table.triggerEnabled[i] != kTriggerOn)
                continue;
            if (MatchPattern(line, table.triggerPatterns[i], captures))
                expected.push_back(SubstitutePlaceholders(table.triggerCommands[i], captures));
        }
        fuzz::Check(fired == expected, "prefiltered firings differ from every row's");
        for (const std::string &c : fired)
            fuzz::Check(c.size() <= kMaxSubstitutedBytes, "substituted command over the cap");

        // The same line as the client's own echo: the bound may hold rows
        // back, but what fires is still what every row would fire, in order.
        fired.clear();
        engine.NoteQueuedItem(std::string(kEchoPrefix) + line + "\n");
        engine.CheckTriggers(line);
        std::size_t at = 0;
        for (const std::string &c : fired) {
            while (at < expected.size() && expected[at] != c)
                ++at;
            fuzz::Check(at < expected.size(), "an echo fired what no row would");
            ++at;
        }
    }

    // Substitution alone, with many copies of a capture: bounded however the
    // command and captures look.
    if (!lines.empty()) {
        std::vector<std::string> caps(3, lines.front());
        caps[1] = caps[0] + caps[0];
        bool cut = false;
        const std::string out = SubstitutePlaceholders(lines.back(), caps, &cut);
        fuzz::Check(out.size() <= kMaxSubstitutedBytes, "substitution over the cap");
        fuzz::Check(!cut || out.size() + 2 > kMaxSubstitutedBytes, "a short result reported cut");
    }
    return 0;
}
