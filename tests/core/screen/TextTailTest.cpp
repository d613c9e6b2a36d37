#include "core/screen/TextTail.h"

#include "core/text/GbkText.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

using screen::KeptTailStart;
using screen::TailKeeper;

namespace {

// What the window keeps of a whole file read at once: its lines, each ended
// by LF, cut like the window's pending lines.
std::string KeptOfWhole(const std::string &file, std::size_t cap)
{
    std::string lines;
    for (const std::string &line : gbk::SplitLines(file))
        lines += line + '\n';
    return lines.substr(KeptTailStart(lines, 0, cap));
}

std::string KeptByPieces(const std::string &file, std::size_t cap, std::size_t piece, bool seek)
{
    TailKeeper keeper(cap);
    const std::size_t start = seek ? keeper.StartOffset(file.size()) : 0;
    for (std::size_t i = start; i < file.size(); i += piece)
        keeper.Feed(std::string_view(file).substr(i, piece));
    return keeper.Finish();
}

} // namespace

TEST(KeptTailStart, CutsAfterALineEndOnceOverTheCap)
{
    struct Row
    {
        std::string text;
        std::size_t from, cap, start;
    };
    const Row rows[] = {
        {"aa\nbb\n", 0, 6, 0},      // within the cap
        {"aa\nbb\ncc\n", 0, 8, 6},  // over: the last 6 bytes begin at "b", the cut after "bb\n"
        {"aa\nbb\ncc\n", 3, 6, 3},  // only the part from `from` counts
        {"aaaaaaaaaa\n", 0, 4, 11}, // one line longer than the cap is not kept
        {"x\n", 0, 0, 2},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(KeptTailStart(r.text, r.from, r.cap), r.start);
    }
}

TEST(TailKeeper, PiecesAndSeekingKeepWhatTheWholeFileKeeps)
{
    // Line ends of every kind, CR LF split between pieces, double-byte
    // characters, NUL bytes, and files below, around and far over the cap.
    std::mt19937 random(21);
    const char alphabet[] = {'a', '\r', '\n', '\0', '\xD6', '\xD0', ' ', '\xFF'};
    for (int round = 0; round < 300; ++round) {
        const std::size_t cap = 1 + random() % 64;
        const std::size_t size = random() % (6 * cap);
        std::string file;
        for (std::size_t i = 0; i < size; ++i)
            file += alphabet[random() % sizeof alphabet];
        const std::string whole = KeptOfWhole(file, cap);
        for (std::size_t piece : {std::size_t(1), std::size_t(3), std::size_t(1000)}) {
            ASSERT_EQ(KeptByPieces(file, cap, piece, false), whole) << round << " " << piece;
            ASSERT_EQ(KeptByPieces(file, cap, piece, true), whole) << round << " " << piece;
        }
    }
}

TEST(TailKeeper, TheLastLineEndCountsTowardTheCap)
{
    // Found by the fuzzer: a file that reaches the cap only with the line end
    // its last line is given is cut, and says so once finished.
    TailKeeper keeper(8);
    keeper.Feed("abc\nabcd");
    EXPECT_FALSE(keeper.cut());
    EXPECT_EQ(keeper.Finish(), "abcd\n");
    EXPECT_TRUE(keeper.cut());
}

TEST(TailKeeper, ALargeFileHoldsNoMoreThanTheCapAndAPiece)
{
    const std::size_t cap = 1u << 20;
    const std::size_t piece = 64u << 10;
    std::string chunk;
    for (int i = 0; chunk.size() < piece; ++i)
        chunk += "line " + std::to_string(i) + " \xD6\xD0\xCE\xC4 text\r\n";
    chunk.resize(piece);
    TailKeeper keeper(cap);
    std::size_t most = 0;
    for (int i = 0; i < 1024; ++i) { // 64 MiB read without seeking
        keeper.Feed(chunk);
        most = std::max(most, keeper.heldBytes());
    }
    EXPECT_TRUE(keeper.cut());
    EXPECT_LE(most, cap + piece + 1);
    const std::string kept = keeper.Finish();
    EXPECT_LE(kept.size(), cap - cap / 4);
    EXPECT_GT(kept.size(), cap / 2);
    EXPECT_EQ(kept.back(), '\n');
}
