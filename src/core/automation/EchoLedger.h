// The echoes a window's runners have queued for its screen and the trigger
// engine has not yet seen come back decoded: oldest first, bounded in number,
// in bytes and in age. The byte count is the sum of the sizes of the keys it
// holds, whatever was noted, taken, forgotten or evicted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace automation {

class EchoLedger
{
public:
    EchoLedger(std::size_t maxEntries, std::size_t maxBytes, std::int64_t memoryMs);

    // Remembers `key`, noted at `now`; the oldest go while there are more
    // than maxEntries or more than maxBytes.
    void Note(std::string key, std::int64_t now);
    // Forgets what is older than the memory (or from a clock that went back),
    // then takes the oldest entry equal to `key`: true when there was one.
    bool Take(std::string_view key, std::int64_t now);
    // Forgets what is older than the memory at `now`.
    void Expire(std::int64_t now);

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // The running count of the bytes held.
    std::size_t bytes() const { return bytes_; }
    // The same, summed over what is held (tests and fuzzing check the two agree).
    std::size_t HeldBytes() const;

private:
    struct Entry
    {
        std::string key;
        std::int64_t notedAt = 0;
    };
    void DropFront();

    std::size_t maxEntries_;
    std::size_t maxBytes_;
    std::int64_t memoryMs_;
    std::deque<Entry> entries_;
    std::size_t bytes_ = 0;
};

} // namespace automation
