#include "core/session/SessionState.h"

namespace session {

DirectionPairs DirectionPairs::Seeded()
{
    // clang-format off
    static const char *const kPairs[][2] = {
        {"e", "w"},     {"east", "west"},           {"s", "n"},   {"south", "north"},
        {"up", "down"}, {"southeast", "northwest"}, {"se", "nw"}, {"southwest", "northeast"},
        {"sw", "ne"},   {"southup", "northdown"},   {"su", "nd"}, {"northup", "southdown"},
        {"nu", "sd"},   {"eastup", "westdown"},     {"eu", "wd"}, {"eastdown", "westup"},
        {"ed", "wu"},
    };
    // clang-format on
    DirectionPairs pairs;
    for (const auto &pair : kPairs) {
        pairs.forwardDirections.emplace_back(pair[0]);
        pairs.reverseDirections.emplace_back(pair[1]);
    }
    return pairs;
}

} // namespace session
