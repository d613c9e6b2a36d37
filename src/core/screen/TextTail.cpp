#include "core/screen/TextTail.h"

#include <algorithm>

namespace screen {

std::size_t KeptTailStart(std::string_view text, std::size_t from, std::size_t cap)
{
    if (text.size() - from <= cap)
        return from;
    const std::size_t lf = text.find('\n', text.size() - (cap - cap / 4));
    return lf == std::string_view::npos ? text.size() : lf + 1;
}

TailKeeper::TailKeeper(std::size_t cap)
    : cap_(cap)
    , keep_(cap - cap / 4)
{}

std::uint64_t TailKeeper::StartOffset(std::uint64_t fileSize)
{
    // Every line byte comes from at most two file bytes (CR LF), so the last
    // 2 * keep + 2 bytes give more than the kept part, and a file over twice
    // the cap gives more than the cap. The first, partial line read is never
    // kept: the cut falls after it.
    const std::uint64_t tail = 2 * static_cast<std::uint64_t>(keep_) + 2;
    if (fileSize <= 2 * static_cast<std::uint64_t>(cap_) + 2 || fileSize <= tail)
        return 0;
    over_ = true;
    return fileSize - tail;
}

void TailKeeper::Append(std::string_view piece)
{
    if (piece.empty())
        return;
    const std::size_t need = buf_.size() + piece.size();
    if (need > buf_.capacity()) {
        // Grown by doubling up to the cap and a little, never past it: a
        // string's own reserve would double beyond. A fresh string takes
        // exactly what it is asked for.
        constexpr std::size_t kSlack = 64u << 10;
        std::string grown;
        grown.reserve(std::max(need, std::min(2 * buf_.capacity(), cap_ + kSlack)));
        grown.append(buf_);
        buf_.swap(grown);
    }
    buf_.append(piece);
    total_ += piece.size();
    if (total_ > cap_)
        over_ = true;
    // Past the cap only the last keep bytes can still be kept, whatever follows.
    if (over_ && buf_.size() > cap_)
        buf_.erase(0, buf_.size() - keep_);
}

void TailKeeper::Feed(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '\n' && afterCr_) { // the second half of CR LF
            afterCr_ = false;
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            Append("\n");
            afterCr_ = c == '\r';
            lineEnded_ = true;
            ++i;
            continue;
        }
        std::size_t end = bytes.find_first_of("\r\n", i);
        if (end == std::string_view::npos)
            end = bytes.size();
        Append(bytes.substr(i, end - i));
        afterCr_ = false;
        lineEnded_ = false;
        i = end;
    }
}

std::string TailKeeper::Finish()
{
    if (!lineEnded_)
        Append("\n");
    lineEnded_ = true;
    if (over_) {
        // buf_ holds at least the last keep bytes of all the lines, so the cut
        // falls where it falls in the whole text.
        const std::size_t lf = buf_.find('\n', buf_.size() - std::min(keep_, buf_.size()));
        buf_.erase(0, lf == std::string::npos ? buf_.size() : lf + 1);
    }
    return std::move(buf_);
}

} // namespace screen
