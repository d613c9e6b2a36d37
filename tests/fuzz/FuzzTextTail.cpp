// The auxiliary window's file keeper over any bytes, cap and piece size: read
// in pieces, or from near the end, it keeps what the whole text read at once
// keeps, and it never holds more than the cap and a piece.
#include "FuzzInput.h"
#include "core/screen/TextTail.h"
#include "core/text/GbkText.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 65536)
        return 0;
    fuzz::Input in(data, size);
    const std::size_t cap = in.Byte() * 4 + in.Byte() % 4;
    const std::size_t piece = 1 + in.Byte();
    const std::string_view file = in.Rest();

    std::string lines;
    for (const std::string &line : gbk::SplitLines(file))
        lines += line + '\n';
    const std::string whole = lines.substr(screen::KeptTailStart(lines, 0, cap));

    for (const bool seek : {false, true}) {
        screen::TailKeeper keeper(cap);
        const std::size_t start = seek ? keeper.StartOffset(file.size()) : 0;
        for (std::size_t i = start; i < file.size(); i += piece) {
            keeper.Feed(file.substr(i, piece));
            fuzz::Check(keeper.heldBytes() <= cap + piece + (64u << 10) + 32,
                        "the keeper held more than the cap and a piece");
        }
        fuzz::Check(keeper.Finish() == whole, "pieces kept other lines than the whole text");
        fuzz::Check(keeper.cut() == (lines.size() > cap), "cut said otherwise than the whole text");
    }
    return 0;
}
