// Path reversal over any direction pairs and command groups: it ends, its
// result is bounded by what one reversal may expand, and reversing a path of
// plain paired words twice gives the path back, step by step.
#include "FuzzInput.h"
#include "core/session/PathReversal.h"

#include <string>
#include <vector>

using automation::GroupTable;
using namespace session;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 8192)
        return 0;
    fuzz::Input in(data, size);
    DirectionPairs pairs = DirectionPairs::Seeded();
    const int extraPairs = in.Byte() % 4;
    for (int i = 0; i < extraPairs; ++i) {
        pairs.forwardDirections.emplace_back(in.Piece('\x01'));
        pairs.reverseDirections.emplace_back(in.Piece('\x01'));
    }
    GroupTable::Groups groups;
    const int groupCount = in.Byte() % 6;
    for (int i = 0; i < groupCount; ++i) {
        groups.groupNames.emplace_back(in.Piece('\x01'));
        groups.groupContents.emplace_back(in.Piece('\x01'));
    }
    const std::string text(in.Rest());
    const PathReverser reverser(pairs, groups);
    const std::string reversed = reverser.ReversePath(text);
    fuzz::Check(reversed.size() <= 8 * PathReverser::kMaxExpandedBytes + 4 * text.size() + 16,
                "reversal grew without bound");

    // The seventeen seeded pairs, each word distinct: a path of them walks
    // back and forth to itself.
    const DirectionPairs seeded = DirectionPairs::Seeded();
    const PathReverser plain(seeded, {});
    std::string walk;
    for (std::uint8_t b : text) {
        const auto &column = (b & 0x80) ? seeded.reverseDirections : seeded.forwardDirections;
        walk += column[b % column.size()];
        walk += '\n';
    }
    if (!walk.empty())
        fuzz::Check(plain.ReversePath(plain.ReversePath(walk)) == walk,
                    "reversing twice did not give the path back");
    return 0;
}
