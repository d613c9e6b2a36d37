// Triggers: the pattern matcher, the window's trigger table and the engine the
// screen thread runs on every decoded line.
#pragma once

#include "core/automation/EchoLedger.h"
#include "core/automation/TriggerHost.h"
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

// The echo of a sent line begins with this reset sequence when the runner
// queues it for the screen.
inline constexpr std::string_view kEchoPrefix = "\x1b[0m";

// A fired command never grows past this many bytes: a server line holding a
// placeholder many times over would otherwise make a command of any size.
inline constexpr std::size_t kMaxSubstitutedBytes = 64 * 1024;

// Puts capture k in place of "%k" in one pass over the command. Where several
// placeholders begin at one "%", the highest index that has a capture wins (so
// "%10" goes before "%1"). Inserted capture text is never searched again. The
// result is cut at kMaxSubstitutedBytes, on a character boundary; `truncated`
// (when given) tells whether anything was dropped.
std::string SubstitutePlaceholders(std::string_view command,
                                   const std::vector<std::string> &captures,
                                   bool *truncated = nullptr);

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
    // Removes the last row (the blank one an applied table ends with), if any.
    void RemoveLastRow();
};

class TriggerEngine
{
public:
    // Firings caused by the client's own echoes: at most this many per row in
    // one second; past that the row sits out the rest of the second for echoes.
    // A trigger that answers its own echo (or a chain of triggers whose echoes
    // fire each other) would otherwise keep the client sending as fast as it
    // can. Firings caused by server text are never held back.
    static constexpr int kMaxFiresPerSecond = 20;
    // Echoes queued but not yet seen by the engine that are still remembered;
    // older ones are forgotten (an echo the decoder reshaped never matches).
    static constexpr std::size_t kMaxPendingEchoes = 256;
    static constexpr std::int64_t kEchoMemoryMs = 10000;
    // ...and at most this many bytes of them (counted as the engine keeps them).
    static constexpr std::size_t kPendingEchoBytes = 1024 * 1024;

    using FireFn = std::function<void(std::string command)>;
    using ClockFn = std::function<std::int64_t()>; // milliseconds

    TriggerEngine();

    // What a fired row's command does: the window starts a runner with it,
    // a test records it. Called outside the table lock, in table order.
    void SetFire(FireFn fire) { fire_ = std::move(fire); }
    // The screen whose lines the engine checks (null for none); set before
    // the first check, it outlives every check.
    void SetHost(TriggerHost *host) { host_ = host; }
    // Where "now" comes from (tests step it by hand).
    void SetClock(ClockFn clock) { clock_ = std::move(clock); }

    // Every item a runner queues for the screen passes here first; an echo
    // (kEchoPrefix, then the line) is remembered, so that the decoded line,
    // when it comes back, is known as the client's own.
    void NoteQueuedItem(std::string_view item);

    // The echoes remembered now: how many, their running byte count and the
    // bytes they hold (tests: the two counts agree and stay in bounds).
    struct EchoCounts
    {
        std::size_t count = 0;
        std::size_t bytes = 0;
        std::size_t heldBytes = 0;
    };
    EchoCounts PendingEchoes() const;

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
    // True (and forgotten) when `line` is an echo noted by NoteQueuedItem.
    bool TakeEcho(std::string_view line);

    mutable std::mutex lock_; // the one trigger lock: scan, editor, profile, "#T+"/"#T-"
    TriggerTable table_;
    TriggerPrefilter prefilter_;
    std::vector<std::uint32_t> disarmed_; // rows whose armed mark is "1"
    std::vector<std::uint32_t> candidates_;
    std::vector<std::string> captures_;
    std::vector<std::string> fired_;
    std::vector<std::string> throttledPatterns_;
    int truncatedCount_ = 0;
    struct Rate
    {
        std::int64_t windowStart = 0;
        int fires = 0;
        bool heldBack = false; // within the current second
        bool noticed = false;  // within the current burst
    };
    std::vector<Rate> rates_;
    mutable std::mutex echoLock_; // runners note echoes while the screen thread scans
    EchoLedger echoes_{kMaxPendingEchoes, kPendingEchoBytes, kEchoMemoryMs};
    std::atomic<bool> echoesPending_{false};
    FireFn fire_;
    TriggerHost *host_ = nullptr;
    ClockFn clock_;
};

} // namespace automation
