// What the auxiliary window keeps of a long text: its lines, each ended by LF,
// and past its cap only the newest of them. A file read piece by piece, or
// read from near its end, keeps the same lines as the whole file read at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace screen {

// Where the kept part of `text` (lines each ended by LF) begins when its part
// from `from` on is over `cap` bytes: at the first line that begins after the
// start of its last `cap - cap / 4` bytes, so cuts come in batches and never
// split a line or a character. Within the cap, `from` itself.
std::size_t KeptTailStart(std::string_view text, std::size_t from, std::size_t cap);

// Turns a file's bytes into lines ended by LF (CR LF, LF and CR each end a
// line; a last line without an end gets one) and keeps of them what
// KeptTailStart keeps of the whole, holding at most the cap plus one piece.
class TailKeeper
{
public:
    explicit TailKeeper(std::size_t cap);

    // Where a file of `fileSize` bytes needs to be read from: a file over
    // twice the cap has more than the cap in lines, and its kept lines lie in
    // its last bytes, so reading may start there. Call before any Feed.
    std::uint64_t StartOffset(std::uint64_t fileSize);

    // The file's next bytes, in order.
    void Feed(std::string_view bytes);

    // The kept lines, each ended by LF; the keeper is spent.
    std::string Finish();

    // True when lines were (or will be) left out; final once Finish has run,
    // which may add the last line's end.
    bool cut() const { return over_; }
    // The bytes held now (what the cap bounds).
    std::size_t heldBytes() const { return buf_.capacity(); }

private:
    void Append(std::string_view piece);

    std::size_t cap_;
    std::size_t keep_;
    std::string buf_;
    std::uint64_t total_ = 0;
    bool over_ = false;
    bool afterCr_ = false;
    bool lineEnded_ = true;
};

} // namespace screen
