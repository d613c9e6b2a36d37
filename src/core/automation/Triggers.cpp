#include "core/automation/Triggers.h"

#include "core/text/GbkText.h"

#include <algorithm>
#include <chrono>

namespace automation {

namespace {
constexpr std::string_view kWildcard = "(*)";

// "触发命令超过64K字节，超出部分已丢弃。" in GBK, in the colours of the
// client's other notices.
constexpr std::string_view kTruncatedNotice =
    "\x1b[1;33m"
    "\xB4\xA5\xB7\xA2\xC3\xFC\xC1\xEE\xB3\xAC\xB9\xFD"
    "64K"
    "\xD7\xD6\xBD\xDA\xA3\xAC\xB3\xAC\xB3\xF6\xB2\xBF\xB7\xD6\xD2\xD1\xB6\xAA\xC6\xFA\xA1\xA3"
    "\x1b[0m\r\n";
} // namespace

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

namespace {

// What an echo and its decoded line have in common: the decoder removes
// escape sequences and expands tabs, and keeps the line end, so blanks,
// control bytes and escape sequences take no part in comparing the two.
// (No byte after the first of a character is 0x20 or below, in GBK or in
// GB18030's four-byte characters, so no character loses a byte.)
std::string EchoKey(std::string_view s)
{
    std::string key;
    key.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == 0x1B && i + 1 < s.size() && s[i + 1] == '[') {
            i += 2;
            while (i < s.size() && (static_cast<unsigned char>(s[i]) < 0x40 ||
                                    static_cast<unsigned char>(s[i]) > 0x7E))
                ++i;
        } else if (c > 0x20) {
            key += static_cast<char>(c);
        }
    }
    return key;
}

// Echo lines longer than the decoder keeps in one line never come back whole.
constexpr std::size_t kLongestEchoNoted = 0xFFFF;

} // namespace

std::string SubstitutePlaceholders(std::string_view command,
                                   const std::vector<std::string> &captures, bool *truncated)
{
    std::string out;
    out.reserve(std::min(command.size(), kMaxSubstitutedBytes));
    std::size_t i = 0;
    while (i < command.size() && out.size() <= kMaxSubstitutedBytes) {
        const std::size_t pct = command.find('%', i);
        if (pct == std::string_view::npos) {
            out.append(command.substr(i, kMaxSubstitutedBytes + 1 - out.size()));
            break;
        }
        out.append(command.substr(i, pct - i));
        // The longest run of digits here that names a capture: indices are
        // written without leading zeros, and more digits only name higher ones.
        std::size_t digits = 0;
        std::size_t index = 0;
        std::size_t value = 0;
        for (std::size_t d = pct + 1; d < command.size(); ++d) {
            const char c = command[d];
            if (c < '0' || c > '9' || (d > pct + 1 && command[pct + 1] == '0'))
                break;
            value = value * 10 + static_cast<std::size_t>(c - '0');
            if (value >= captures.size())
                break;
            digits = d - pct;
            index = value;
        }
        if (digits > 0) {
            out.append(captures[index]);
            i = pct + 1 + digits;
        } else {
            out += '%';
            i = pct + 1;
        }
    }
    const bool cut = out.size() > kMaxSubstitutedBytes;
    if (cut)
        out.resize(gbk::BoundaryAtOrBelow(out, kMaxSubstitutedBytes));
    if (truncated)
        *truncated = cut;
    return out;
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

void TriggerTable::RemoveLastRow()
{
    if (size() == 0)
        return;
    triggerEnabled.pop_back();
    triggerPatterns.pop_back();
    triggerCommands.pop_back();
    triggerArmed.pop_back();
    triggerGroups.pop_back();
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
        // A burst ends with a second in which the row was not held back, so a
        // loop that runs on tells the player once, not every second.
        if (!r.heldBack || now - r.windowStart >= 2000 || now < r.windowStart)
            r.noticed = false;
        r.windowStart = now;
        r.fires = 0;
        r.heldBack = false;
    }
    if (r.fires < kMaxFiresPerSecond) {
        ++r.fires;
        return false;
    }
    r.heldBack = true;
    if (!r.noticed) {
        r.noticed = true;
        throttledPatterns_.push_back(table_.triggerPatterns[row]);
    }
    return true;
}

void TriggerEngine::NoteQueuedItem(std::string_view item)
{
    if (item.substr(0, kEchoPrefix.size()) != kEchoPrefix)
        return;
    const std::string_view line = item.substr(kEchoPrefix.size());
    if (line.size() > kLongestEchoNoted)
        return;
    std::string key = EchoKey(line);
    const std::int64_t now = clock_();
    std::lock_guard guard(echoLock_);
    echoes_.Note(std::move(key), now);
    echoesPending_.store(true, std::memory_order_release);
}

bool TriggerEngine::TakeEcho(std::string_view line)
{
    if (!echoesPending_.load(std::memory_order_acquire))
        return false;
    const std::string key = EchoKey(line);
    const std::int64_t now = clock_();
    std::lock_guard guard(echoLock_);
    const bool found = echoes_.Take(key, now);
    echoesPending_.store(!echoes_.empty(), std::memory_order_release);
    return found;
}

TriggerEngine::EchoCounts TriggerEngine::PendingEchoes() const
{
    std::lock_guard guard(echoLock_);
    return {echoes_.size(), echoes_.bytes(), echoes_.HeldBytes()};
}

void TriggerEngine::CheckTriggers(std::string_view line)
{
    // The echo is taken whether or not anything fires, so it cannot later be
    // mistaken for a server line that reads the same.
    const bool echo = TakeEcho(line);
    if (!triggersEnabled.load(std::memory_order_relaxed))
        return;
    fired_.clear();
    throttledPatterns_.clear();
    truncatedCount_ = 0;
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
            if (echo) {
                if (now < 0)
                    now = clock_();
                if (Throttled(i, now))
                    continue;
            }
            bool cut = false;
            fired_.push_back(SubstitutePlaceholders(table_.triggerCommands[i], captures_, &cut));
            truncatedCount_ += cut ? 1 : 0;
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
    if (host_) {
        for (const auto &p : throttledPatterns_)
            host_->FiringsHeldBack(p);
        if (truncatedCount_ > 0)
            host_->ShowLine(std::string(kTruncatedNotice));
    }
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
