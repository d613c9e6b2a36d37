// The screen's receive side: splits incoming GBK text into lines, expands tabs,
// turns colour escape sequences into attribute records and keeps the scrollback.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace screen {

// A stored line: decoded text (line-end bytes kept) and its attribute string,
// a run of seven-character records "PPPPFBM" (position, fg, bg, mode) or " ".
struct StoredLine
{
    std::string text;
    std::string attrs;
};

// Decodes one raw line: tabs first, then escape sequences. Appends one or more
// stored lines to `out`: a decoded text longer than the four hex digits of a
// record position can reach is cut into several lines.
void DecodeLine(std::string_view raw, std::vector<StoredLine> &out);

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
    // Called with the texts of each update's new lines while mirroring.
    std::function<void(const std::vector<StoredLine> &lines)> mirror;

    // Decodes one queue item and updates the store. Returns the number of new lines.
    std::size_t DecodeChunk(std::string_view chunk);

    const std::deque<StoredLine> &lines() const { return lines_; }
    std::size_t size() const { return lines_.size(); }
    bool partialPending() const { return partialPending_; }
    const std::string &partialLine() const { return partialLine_; }

private:
    std::deque<StoredLine> lines_;
    std::string partialLine_;
    bool partialPending_ = false;
    std::size_t partialStoredCount_ = 0; // stored lines made from the partial line
    std::vector<StoredLine> fresh_;      // reused between chunks
    std::string nulFree_;                // reused for NUL removal
    std::string joined_;                 // reused to join the partial line and a chunk
};

} // namespace screen
