// The scrollback: decoded lines kept in byte pages, oldest first. A plain data
// structure: the screen thread decodes, runs the triggers and then commits the
// result here under its lock; nothing here calls out.
#pragma once

#include "core/screen/Decoder.h"
#include "core/screen/LinePages.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace screen {

// A line as the store keeps it: text and attribute string, held in the store's pages.
struct StoredLine
{
    std::string_view text;
    std::string_view attrs;
};

class LineStore
{
public:
    static constexpr std::size_t kTrimAt = 3500; // an update leaving this many lines trims
    static constexpr std::size_t kKeep = 2000;   // ...down to the newest this many
    static constexpr std::size_t kMaxLineBytes = Decoder::kMaxLineBytes;
    // Colour records can outweigh the text, so the store is bounded in bytes as
    // well: past this it drops its oldest lines down to three quarters of it.
    static constexpr std::size_t kDefaultMaxBytes = 64u << 20;

    explicit LineStore(std::size_t maxBytes = kDefaultMaxBytes);
    // Stored lines view the store's own buffers: a copy would view the original's.
    LineStore(const LineStore &) = delete;
    LineStore &operator=(const LineStore &) = delete;
    LineStore(LineStore &&) = default;

    // One update. `lines[0..count)` are finished lines: the first completes
    // the line still growing, when there is one, which they replace. Then
    // `partial`, when given, is the newest line, still growing (one piece, or
    // more when it is too long for the record positions); `unchanged` says how
    // much of its single piece equals the form stored before.
    void Commit(const DecodedLine *lines, std::size_t count,
                const std::vector<DecodedLine> *partial = nullptr,
                Decoder::Unchanged unchanged = {});

    const std::deque<StoredLine> &lines() const { return lines_; }
    std::size_t size() const { return lines_.size(); }
    // Running number of lines().front(): lines keep their numbers as older ones drop out.
    std::uint64_t firstLine() const { return firstLine_; }
    bool partialPending() const { return !partial_.empty(); }
    // Bytes of text and records held (finished and growing lines).
    std::size_t bytes() const { return bytes_ + partialBytes_; }
    // The same, summed over the lines held (tests check the two agree).
    std::size_t HeldBytes() const;
    std::size_t maxBytes() const { return maxBytes_; }
    // Pages holding the stored bytes (memory stays flat once the store is full).
    std::size_t pageCount() const { return pages_.pageCount(); }

private:
    void DropPartial();
    void SetPartial(const std::vector<DecodedLine> &partial, Decoder::Unchanged unchanged);
    void Trim();
    static std::size_t LineBytes(const StoredLine &l);

    std::size_t maxBytes_;
    std::deque<StoredLine> lines_;
    std::uint64_t firstLine_ = 0; // running number of lines_.front()
    LinePages pages_;
    std::size_t bytes_ = 0; // finished lines
    // The line still growing lives in its own buffers, so that each read adds
    // only its own bytes; it moves into the pages once it is finished.
    std::vector<DecodedLine> partial_;
    std::size_t partialBytes_ = 0;
};

// Decodes `chunk` and commits it in one step, with nothing in between: the
// screen thread runs the triggers between the two; tools and tests need not.
void DecodeInto(Decoder &decoder, Decoder::Batch &batch, LineStore &store, std::string_view chunk);

} // namespace screen
