// Triggers: the pattern matcher, the window's trigger table and the engine the
// screen thread runs on every decoded line.
#pragma once

#include "core/automation/TriggerPrefilter.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace automation {

// The enabled mark "√" in GBK.
inline constexpr std::string_view kTriggerOn = "\xA1\xCC";

// Does `pattern` occur in `line`? "(*)" matches any text and captures it,
// trimmed; each piece matches at its first occurrence after the previous one.
bool MatchPattern(std::string_view line, std::string_view pattern,
                  std::vector<std::string> &captures);

// Puts capture k in place of "%k", from the highest index down (so "%10" goes
// before "%1"). The search goes on after the inserted text, so a capture that
// holds its own placeholder cannot make it run forever.
std::string SubstitutePlaceholders(std::string command, const std::vector<std::string> &captures);

// Five parallel lists; entry i of each belongs to row i. A table that the
// editor applied or a profile loaded ends with one blank row, never examined.
struct TriggerTable
{
    std::vector<std::string> triggerEnabled;
    std::vector<std::string> triggerPatterns;
    std::vector<std::string> triggerCommands;
    std::vector<std::string> triggerArmed;
    std::vector<std::string> triggerGroups;

    std::size_t size() const { return triggerPatterns.size(); }
    // Appends a row; its armed mark is "0".
    void AddRow(std::string enabled, std::string pattern, std::string command, std::string group);
};

class TriggerEngine
{
public:
    // A row fires at most this many times in one second; past that the row
    // sits out the rest of the second. A trigger that answers its own echo
    // would otherwise keep the client sending as fast as it can.
    static constexpr int kMaxFiresPerSecond = 20;

    using FireFn = std::function<void(std::string command)>;
    using NoticeFn = std::function<void(std::string_view pattern)>;
    using ClockFn = std::function<std::int64_t()>; // milliseconds

    TriggerEngine();

    // Runs a fired row's command (the window starts a runner with it).
    void SetFire(FireFn fire) { fire_ = std::move(fire); }
    // Told once when a row's firing is held back for the rest of a second.
    void SetThrottleNotice(NoticeFn notice) { notice_ = std::move(notice); }
    void SetClock(ClockFn clock) { clock_ = std::move(clock); }

    // The window's switch (its automatic-input button); on at start.
    std::atomic<bool> triggersEnabled{true};

    // For every decoded line: every armed, enabled row that matches fires, in
    // table order; then every enabled row is armed again.
    void CheckTriggers(std::string_view line);
    // For the raw remainder of a chunk that ended inside a line: enabled rows
    // that match it sit out the next finished line.
    void MarkUnfinishedLine(std::string_view raw);

    // Replaces the whole table (editor apply, profile load); every row armed.
    void Replace(TriggerTable table);
    TriggerTable Snapshot() const;
    // "#T+"/"#T-": from the first row of the group, sets the mark of the rows
    // while their group equals `group` (already trimmed and upper-cased).
    void SetGroupEnabled(std::string_view group, bool enabled);

private:
    bool Throttled(std::size_t row, std::int64_t now);

    mutable std::mutex lock_; // the one trigger lock: scan, editor, profile, "#T+"/"#T-"
    TriggerTable table_;
    TriggerPrefilter prefilter_;
    std::vector<std::uint32_t> disarmed_; // rows whose armed mark is "1"
    std::vector<std::uint32_t> candidates_;
    std::vector<std::string> captures_;
    std::vector<std::string> fired_;
    std::vector<std::string> throttledPatterns_;
    struct Rate
    {
        std::int64_t windowStart = 0;
        int fires = 0;
        bool noticed = false;
    };
    std::vector<Rate> rates_;
    FireFn fire_;
    NoticeFn notice_;
    ClockFn clock_;
};

} // namespace automation
