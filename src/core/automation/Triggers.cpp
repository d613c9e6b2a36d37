#include "core/automation/Triggers.h"

#include "core/text/GbkText.h"

#include <algorithm>
#include <chrono>

namespace automation {

namespace {
constexpr std::string_view kWildcard = "(*)";
}

bool MatchPattern(std::string_view line, std::string_view pattern,
                  std::vector<std::string> &captures)
{
    captures.clear();
    if (pattern.find(kWildcard) == std::string_view::npos)
        return !pattern.empty() && line.find(pattern) != std::string_view::npos;

    std::string_view rest = line;
    bool leading = false;
    if (pattern.substr(0, 3) == kWildcard) {
        pattern.remove_prefix(3);
        leading = true;
    }
    bool firstPiece = true;
    while (true) {
        const std::size_t q = pattern.find(kWildcard);
        const std::string_view piece = pattern.substr(0, q);
        if (piece.empty())
            return false;
        const std::size_t at = rest.find(piece);
        if (at == std::string_view::npos)
            return false;
        if (!firstPiece || leading)
            captures.emplace_back(gbk::Trim(rest.substr(0, at)));
        if (q != std::string_view::npos && q + 3 == pattern.size())
            captures.emplace_back(gbk::Trim(rest.substr(at + piece.size())));
        rest.remove_prefix(at + piece.size());
        if (q == std::string_view::npos)
            return true;
        pattern.remove_prefix(q + 3);
        if (pattern.empty())
            return true;
        firstPiece = false;
    }
}

std::string SubstitutePlaceholders(std::string command, const std::vector<std::string> &captures)
{
    for (std::size_t k = captures.size(); k-- > 0;) {
        const std::string placeholder = "%" + std::to_string(k);
        std::size_t from = 0;
        while ((from = command.find(placeholder, from)) != std::string::npos) {
            command.replace(from, placeholder.size(), captures[k]);
            from += captures[k].size();
        }
    }
    return command;
}

void TriggerTable::AddRow(std::string enabled, std::string pattern, std::string command,
                          std::string group)
{
    triggerEnabled.push_back(std::move(enabled));
    triggerPatterns.push_back(std::move(pattern));
    triggerCommands.push_back(std::move(command));
    triggerArmed.emplace_back("0");
    triggerGroups.push_back(std::move(group));
}

TriggerEngine::TriggerEngine()
    : clock_([] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    })
{}

bool TriggerEngine::Throttled(std::size_t row, std::int64_t now)
{
    Rate &r = rates_[row];
    if (now - r.windowStart >= 1000 || now < r.windowStart) {
        r.windowStart = now;
        r.fires = 0;
        r.noticed = false;
    }
    if (r.fires < kMaxFiresPerSecond) {
        ++r.fires;
        return false;
    }
    if (!r.noticed) {
        r.noticed = true;
        throttledPatterns_.push_back(table_.triggerPatterns[row]);
    }
    return true;
}

void TriggerEngine::CheckTriggers(std::string_view line)
{
    if (!triggersEnabled.load(std::memory_order_relaxed))
        return;
    fired_.clear();
    throttledPatterns_.clear();
    {
        std::lock_guard guard(lock_);
        const std::size_t rows = table_.size();
        if (rows < 2)
            return; // the last row is never examined
        prefilter_.Candidates(line, candidates_);
        std::int64_t now = -1;
        for (std::uint32_t i : candidates_) {
            if (i + 1 >= rows || table_.triggerEnabled[i] != kTriggerOn)
                continue;
            if (table_.triggerArmed[i] != "0")
                continue; // sits out this line; armed again below
            if (!MatchPattern(line, table_.triggerPatterns[i], captures_))
                continue;
            if (now < 0)
                now = clock_();
            if (Throttled(i, now))
                continue;
            fired_.push_back(SubstitutePlaceholders(table_.triggerCommands[i], captures_));
        }
        // Every enabled row is armed again; only disarmed rows need the write.
        auto keep = std::remove_if(disarmed_.begin(), disarmed_.end(), [&](std::uint32_t i) {
            if (table_.triggerEnabled[i] != kTriggerOn)
                return false;
            table_.triggerArmed[i] = "0";
            return true;
        });
        disarmed_.erase(keep, disarmed_.end());
    }
    // Runners start outside the lock, in table order, so an editor waiting
    // for the table never waits on a runner's creation.
    if (notice_)
        for (const auto &p : throttledPatterns_)
            notice_(p);
    if (fire_)
        for (auto &cmd : fired_)
            fire_(std::move(cmd));
}

void TriggerEngine::MarkUnfinishedLine(std::string_view raw)
{
    if (!triggersEnabled.load(std::memory_order_relaxed) || raw.empty())
        return;
    std::lock_guard guard(lock_);
    const std::size_t rows = table_.size();
    if (rows < 2)
        return;
    prefilter_.Candidates(raw, candidates_);
    for (std::uint32_t i : candidates_) {
        if (i + 1 >= rows || table_.triggerEnabled[i] != kTriggerOn)
            continue;
        if (!MatchPattern(raw, table_.triggerPatterns[i], captures_))
            continue;
        if (table_.triggerArmed[i] == "0")
            disarmed_.push_back(i);
        table_.triggerArmed[i] = "1";
    }
}

void TriggerEngine::Replace(TriggerTable table)
{
    table.triggerArmed.assign(table.size(), "0");
    TriggerPrefilter prefilter;
    prefilter.Build(table.triggerPatterns, table.size() > 0 ? table.size() - 1 : 0);
    std::lock_guard guard(lock_);
    table_ = std::move(table);
    prefilter_ = std::move(prefilter);
    disarmed_.clear();
    rates_.assign(table_.size(), Rate{});
}

TriggerTable TriggerEngine::Snapshot() const
{
    std::lock_guard guard(lock_);
    return table_;
}

void TriggerEngine::SetGroupEnabled(std::string_view group, bool enabled)
{
    std::lock_guard guard(lock_);
    const std::string mark = enabled ? std::string(kTriggerOn) : std::string(" ");
    bool inGroup = false;
    for (std::size_t i = 0; i < table_.size(); ++i) {
        if (table_.triggerGroups[i] == group) {
            inGroup = true;
            table_.triggerEnabled[i] = mark;
        } else if (inGroup) {
            break;
        }
    }
}

} // namespace automation
