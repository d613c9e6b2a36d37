// The decoder and the line store, through their public entry points only: the
// stored result of a text must not depend on how it was cut into reads, and
// every stored line's colour records stand in position order. The text is fed
// whole, in two reads split at every position, and byte by byte.
#include "FuzzInput.h"
#include "core/screen/LineStore.h"

#include <string>
#include <vector>

namespace {

struct Stored
{
    std::vector<std::string> texts;
    std::vector<std::string> attrs;
    bool partialPending = false;
    bool operator==(const Stored &) const = default;
};

Stored Snapshot(const screen::LineStore &store)
{
    Stored s;
    for (const auto &line : store.lines()) {
        s.texts.emplace_back(line.text);
        s.attrs.emplace_back(line.attrs);
    }
    // The line still growing is the newest of lines(); whether there is one
    // must not depend on the reads either.
    s.partialPending = store.partialPending();
    return s;
}

// Records are seven characters, "PPPPFBM", the position in four hex digits.
bool RecordsInOrder(const std::string &attrs)
{
    if (attrs.size() < 7)
        return true;
    unsigned last = 0;
    for (std::size_t at = 0; at + 7 <= attrs.size(); at += 7) {
        const unsigned pos = static_cast<unsigned>(std::stoul(attrs.substr(at, 4), nullptr, 16));
        if (pos < last)
            return false;
        last = pos;
    }
    return true;
}

// Reads of at most `piece` bytes; a first read of `first` bytes when given.
Stored Feed(std::string_view text, std::size_t first, std::size_t piece)
{
    screen::LineStore store;
    screen::Decoder decoder;
    screen::Decoder::Batch batch;
    std::size_t at = 0;
    if (first > 0) {
        screen::DecodeInto(decoder, batch, store, text.substr(0, first));
        at = first;
    }
    while (at < text.size()) {
        screen::DecodeInto(decoder, batch, store, text.substr(at, piece));
        at += piece;
    }
    return Snapshot(store);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The store trims its oldest lines when a read leaves it over its limit;
    // where that happens depends on the reads, so the text stays well below.
    if (size > 4096)
        return 0;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const Stored whole = Feed(text, 0, text.size() + 1);
    // Every split point of a short text; a long one at evenly spread points
    // (each store takes a fresh page of its own, which is the cost here).
    const std::size_t stride = text.size() <= 24 ? 1 : text.size() / 9;
    for (std::size_t k = 1; k < text.size(); k += stride)
        fuzz::Check(Feed(text, k, text.size()) == whole, "split in two reads");
    fuzz::Check(Feed(text, 0, 1) == whole, "byte by byte");
    for (const std::string &attrs : whole.attrs)
        fuzz::Check(RecordsInOrder(attrs), "records in position order");
    return 0;
}

// Freed store pages are large; holding them back in quarantine only costs.
extern "C" const char *__asan_default_options()
{
    return "quarantine_size_mb=16";
}
