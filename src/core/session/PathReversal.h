// Walking a path back the way it came: the steps in reverse order, each
// direction word replaced by its opposite from the window's direction pairs,
// command groups and brace blocks reversed inside. The text is split exactly as
// the runner splits it, so a path reverses step by step as it would be walked.
#pragma once

#include "core/automation/GroupTable.h"
#include "core/session/SessionState.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace session {

class PathReverser
{
public:
    // A group that reaches itself again would never end; past this depth its
    // name is kept as a word, the way the runner stops expanding.
    static constexpr int kGroupDepthLimit = 50;
    // All group contents expanded in one reversal, at most.
    static constexpr std::size_t kMaxExpandedBytes = 1u << 20;

    // Copies what it needs: the reverser may outlive the window's lists.
    PathReverser(const DirectionPairs &pairs, const automation::GroupTable::Groups &groups);

    // The steps of `text` in reverse order, each reversed and ending in LF.
    std::string ReversePath(std::string_view text) const;
    // One step, trimmed: a group's reversed content, a brace block with its
    // elements reversed (each followed by ";"), "#..." with the part after its
    // first space reversed, or a reversed word. An empty step gives LF.
    std::string ReverseStep(std::string_view step) const;
    // The opposite of a trimmed word: the first pair holding it in either
    // column, forward tested before reverse; otherwise the word itself.
    std::string ReverseWord(std::string_view word) const;

private:
    // Looks words up by view, without making a string of each step.
    struct ViewHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const
        {
            return std::hash<std::string_view>{}(s);
        }
    };
    using WordMap = std::unordered_map<std::string, std::string, ViewHash, std::equal_to<>>;

    // One reversal's groups being expanded (innermost last) and the bytes of
    // group content expanded so far.
    struct Walk
    {
        std::vector<std::string_view> open;
        std::size_t expanded = 0;
    };
    std::string ReversePathAt(std::string_view text, Walk &walk) const;
    std::string ReverseStepAt(std::string_view step, Walk &walk) const;

    // Word -> opposite, holding only the first pair that names each word.
    WordMap opposites_;
    // Group name -> content of the first group with that name.
    WordMap groups_;
};

// One-off reversal over a window's pairs and groups.
std::string ReversePath(std::string_view text, const DirectionPairs &pairs,
                        const automation::GroupTable::Groups &groups);

} // namespace session
