// The screen's receive side: splits incoming GBK text into lines, expands tabs,
// turns colour escape sequences into attribute records and keeps the scrollback.
#pragma once

#include "core/screen/LinePages.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace screen {

// A decoded line: text (line-end bytes kept) and its attribute string, a run
// of seven-character records "PPPPFBM" (position, fg, bg, mode) or " ".
struct DecodedLine
{
    std::string text;
    std::string attrs;
};

// A line as the store keeps it: the same two strings, held in the store's pages.
struct StoredLine
{
    std::string_view text;
    std::string_view attrs;
};

// Decodes one raw line: tabs first, then escape sequences. Appends one or more
// lines to `out`: a decoded text longer than the four hex digits of a record
// position can reach is cut into several lines.
void DecodeLine(std::string_view raw, std::vector<DecodedLine> &out);
// The same into out[count...], reusing those entries' buffers; returns the new count.
std::size_t DecodeLineInto(std::string_view raw, std::vector<DecodedLine> &out, std::size_t count);

class LineStore
{
public:
    static constexpr std::size_t kTrimAt = 3500;         // an update leaving this many lines trims
    static constexpr std::size_t kKeep = 2000;           // ...down to the newest this many
    static constexpr std::size_t kMaxLineBytes = 0xFFFF; // what a record position can describe

    // Called for every decoded line of a chunk, in order, before the store update.
    std::function<void(std::string_view text)> checkTriggers;
    // Called with the undecoded remainder when a chunk ends inside a line.
    std::function<void(std::string_view raw)> markUnfinishedLine;
    // Called with each update's new lines (the first `count` of `lines`).
    std::function<void(const std::vector<DecodedLine> &lines, std::size_t count)> mirror;

    // Decodes one queue item and updates the store. Returns the number of new lines.
    std::size_t DecodeChunk(std::string_view chunk);

    const std::deque<StoredLine> &lines() const { return lines_; }
    std::size_t size() const { return lines_.size(); }
    bool partialPending() const { return partialPending_; }
    const std::string &partialLine() const { return partialLine_; }
    // Pages holding the stored bytes (memory stays flat once the store is full).
    std::size_t pageCount() const { return pages_.pageCount(); }

private:
    std::deque<StoredLine> lines_;
    std::uint64_t firstLine_ = 0; // running number of lines_.front()
    LinePages pages_;
    LinePages::Mark partialMark_; // where the pages ended before the partial line went in
    std::string partialLine_;
    bool partialPending_ = false;
    std::size_t partialStoredCount_ = 0; // stored lines made from the partial line
    std::vector<DecodedLine> fresh_;     // reused between chunks, buffers and all
    std::string nulFree_;                // reused for NUL removal
    std::string joined_;                 // reused to join the partial line and a chunk
};

} // namespace screen
