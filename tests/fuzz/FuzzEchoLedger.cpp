// The echo bookkeeping: echoes noted, taken, forgotten by age on a fake clock
// and evicted by number or bytes, in any order. After every step the ledger
// agrees with a plain list kept by the rules, its byte count is the sum of what
// it holds, and it is within its bounds; the engine's own ledger, fed the same
// steps as queued items and decoded lines, keeps the same count true.
#include "FuzzInput.h"
#include "core/automation/EchoLedger.h"
#include "core/automation/Triggers.h"

#include <string>
#include <utility>
#include <vector>

using namespace automation;

namespace {

// The rules, written the slow and obvious way.
struct Model
{
    std::size_t maxEntries, maxBytes;
    std::int64_t memoryMs;
    std::vector<std::pair<std::string, std::int64_t>> entries;

    std::size_t Bytes() const
    {
        std::size_t sum = 0;
        for (const auto &e : entries)
            sum += e.first.size();
        return sum;
    }
    void Note(const std::string &key, std::int64_t now)
    {
        entries.emplace_back(key, now);
        while (!entries.empty() && (entries.size() > maxEntries || Bytes() > maxBytes))
            entries.erase(entries.begin());
    }
    void Expire(std::int64_t now)
    {
        while (!entries.empty() &&
               (now - entries.front().second > memoryMs || now < entries.front().second))
            entries.erase(entries.begin());
    }
    bool Take(const std::string &key, std::int64_t now)
    {
        Expire(now);
        for (auto it = entries.begin(); it != entries.end(); ++it)
            if (it->first == key) {
                entries.erase(it);
                return true;
            }
        return false;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 8192)
        return 0;
    fuzz::Input in(data, size);
    const std::size_t maxEntries = 1 + in.Byte() % 16;
    const std::size_t maxBytes = in.Byte() % 200;
    const std::int64_t memoryMs = in.Byte();
    EchoLedger ledger(maxEntries, maxBytes, memoryMs);
    Model model{maxEntries, maxBytes, memoryMs, {}};

    TriggerEngine engine;
    std::int64_t now = 0;
    engine.SetClock([&now] { return now; });

    while (!in.empty()) {
        const std::uint8_t op = in.Byte();
        switch (op % 4) {
        case 0: {
            const std::string text(in.Piece('\x01'));
            ledger.Note(text, now);
            model.Note(text, now);
            engine.NoteQueuedItem(std::string(kEchoPrefix) + text);
            break;
        }
        case 1: {
            const std::string text(in.Piece('\x01'));
            fuzz::Check(ledger.Take(text, now) == model.Take(text, now), "take as the rules say");
            engine.CheckTriggers(text);
            break;
        }
        case 2:
            ledger.Expire(now);
            model.Expire(now);
            break;
        default: {
            // The clock moves on, by a lot at times, and now and then goes back.
            const std::int64_t step = in.Byte();
            now += (op & 0x80) ? -step / 4 : step * ((op & 0x40) ? 1000 : 1);
            break;
        }
        }
        fuzz::Check(ledger.size() == model.entries.size(), "size as the rules say");
        fuzz::Check(ledger.bytes() == model.Bytes(), "bytes as the rules say");
        fuzz::Check(ledger.bytes() == ledger.HeldBytes(), "count = sum of stored sizes");
        fuzz::Check(ledger.size() <= maxEntries && ledger.bytes() <= maxBytes, "within bounds");
        const TriggerEngine::EchoCounts e = engine.PendingEchoes();
        fuzz::Check(e.bytes == e.heldBytes, "engine: count = sum of stored sizes");
        fuzz::Check(e.count <= TriggerEngine::kMaxPendingEchoes &&
                        e.bytes <= TriggerEngine::kPendingEchoBytes,
                    "engine: within bounds");
    }
    return 0;
}
