#include "core/automation/EchoLedger.h"

namespace automation {

EchoLedger::EchoLedger(std::size_t maxEntries, std::size_t maxBytes, std::int64_t memoryMs)
    : maxEntries_(maxEntries)
    , maxBytes_(maxBytes)
    , memoryMs_(memoryMs)
{}

void EchoLedger::DropFront()
{
    bytes_ -= entries_.front().key.size();
    entries_.pop_front();
}

void EchoLedger::Note(std::string key, std::int64_t now)
{
    bytes_ += key.size();
    entries_.push_back({std::move(key), now});
    while (!entries_.empty() && (entries_.size() > maxEntries_ || bytes_ > maxBytes_))
        DropFront();
}

void EchoLedger::Expire(std::int64_t now)
{
    while (!entries_.empty() &&
           (now - entries_.front().notedAt > memoryMs_ || now < entries_.front().notedAt))
        DropFront();
}

bool EchoLedger::Take(std::string_view key, std::int64_t now)
{
    Expire(now);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key == key) {
            bytes_ -= it->key.size();
            entries_.erase(it);
            return true;
        }
    }
    return false;
}

std::size_t EchoLedger::HeldBytes() const
{
    std::size_t sum = 0;
    for (const Entry &e : entries_)
        sum += e.key.size();
    return sum;
}

} // namespace automation
