// The decoder and the line store, through their public entry points only: the
// stored result of a text must not depend on how it was cut into reads. The
// text is fed whole, in two reads split at every position, and byte by byte.
#include "FuzzInput.h"
#include "core/screen/LineStore.h"

#include <string>
#include <vector>

namespace {

struct Stored
{
    std::vector<std::string> texts;
    std::vector<std::string> attrs;
    std::string partial;
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
    // The unfinished line counts only while one is pending; the buffer may
    // keep its last contents afterwards.
    s.partialPending = store.partialPending();
    if (s.partialPending)
        s.partial = store.partialLine();
    return s;
}

void Quiet(screen::LineStore &store)
{
    store.checkTriggers = [](std::string_view) {};
    store.markUnfinishedLine = [](std::string_view) {};
    store.mirror = [](const std::vector<screen::DecodedLine> &, std::size_t) {};
}

// Reads of at most `piece` bytes; a first read of `first` bytes when given.
Stored Feed(std::string_view text, std::size_t first, std::size_t piece)
{
    screen::LineStore store;
    Quiet(store);
    // A finished line first, as a window has before any text of interest: the
    // store's first page then exists, so a line in progress rolls back within
    // it instead of taking (and zeroing) a fresh page for every read.
    store.DecodeChunk("\r\n");
    std::size_t at = 0;
    if (first > 0) {
        store.DecodeChunk(text.substr(0, first));
        at = first;
    }
    while (at < text.size()) {
        store.DecodeChunk(text.substr(at, piece));
        at += piece;
    }
    return Snapshot(store);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The store trims its oldest lines when a read leaves it over its limit;
    // where that happens depends on the reads, so the text stays well below.
    // (A line in progress is decoded again for every read, so byte-by-byte
    // feeding costs the square of its length: a kilobyte keeps runs quick.)
    if (size > 1024)
        return 0;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const Stored whole = Feed(text, 0, text.size() + 1);
    // Every split point of a short text; a long one at evenly spread points
    // (each store takes a fresh page of its own, which is the cost here).
    const std::size_t stride = text.size() <= 24 ? 1 : text.size() / 9;
    for (std::size_t k = 1; k < text.size(); k += stride)
        fuzz::Check(Feed(text, k, text.size()) == whole, "split in two reads");
    fuzz::Check(Feed(text, 0, 1) == whole, "byte by byte");
    return 0;
}

// Freed store pages are large; holding them back in quarantine only costs.
extern "C" const char *__asan_default_options()
{
    return "quarantine_size_mb=16";
}
