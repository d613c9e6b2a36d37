#include "core/session/PathReversal.h"

#include "core/automation/CommandSplit.h"
#include "core/text/GbkText.h"

#include <algorithm>

namespace session {

PathReverser::PathReverser(const DirectionPairs &pairs,
                           const automation::GroupTable::Groups &groups)
{
    // Pairs are tested in order, the forward word of a pair before its
    // reverse word; keeping only the first entry for a word gives the same
    // answer as that walk, in one look-up.
    const std::size_t pairCount =
        std::min(pairs.forwardDirections.size(), pairs.reverseDirections.size());
    opposites_.reserve(pairCount * 2);
    for (std::size_t i = 0; i < pairCount; ++i) {
        opposites_.try_emplace(pairs.forwardDirections[i], pairs.reverseDirections[i]);
        opposites_.try_emplace(pairs.reverseDirections[i], pairs.forwardDirections[i]);
    }
    const std::size_t groupCount = groups.groupNames.size();
    groups_.reserve(groupCount);
    for (std::size_t i = 0; i < groupCount; ++i) {
        groups_.try_emplace(groups.groupNames[i],
                            i < groups.groupContents.size() ? groups.groupContents[i] : "");
    }
}

std::string PathReverser::ReversePath(std::string_view text) const
{
    Walk walk;
    return ReversePathAt(text, walk);
}

std::string PathReverser::ReverseStep(std::string_view step) const
{
    Walk walk;
    return ReverseStepAt(step, walk);
}

std::string PathReverser::ReverseWord(std::string_view word) const
{
    if (word.empty())
        return {};
    const std::string_view trimmed = gbk::Trim(word);
    const auto found = opposites_.find(trimmed);
    return found != opposites_.end() ? found->second : std::string(trimmed);
}

std::string PathReverser::ReversePathAt(std::string_view text, Walk &walk) const
{
    // The runner's own splitting: separators become line ends, a brace block
    // up to its "}" stays whole, and the result ends in LF.
    const std::string split = automation::SplitIntoLines(text);
    const std::vector<std::string_view> steps = automation::CommandLines(split);
    std::vector<std::string> reversed;
    reversed.reserve(steps.size());
    std::size_t total = 0;
    for (std::string_view step : steps) {
        reversed.push_back(ReverseStepAt(step, walk));
        total += reversed.back().size() + 1;
    }
    std::string result;
    result.reserve(total);
    for (auto it = reversed.rbegin(); it != reversed.rend(); ++it) {
        result += *it;
        result += '\n';
    }
    return result;
}

std::string PathReverser::ReverseStepAt(std::string_view raw, Walk &walk) const
{
    const std::string_view step = gbk::Trim(raw);
    const auto group = groups_.find(step);
    // A group inside itself could never be walked to its end, and groups that
    // name other groups several times grow as a power of their depth: such a
    // name is kept as a word, as it is past the depth limit.
    if (group != groups_.end() && walk.open.size() < static_cast<std::size_t>(kGroupDepthLimit) &&
        std::find(walk.open.begin(), walk.open.end(), group->first) == walk.open.end() &&
        walk.expanded + group->second.size() <= kMaxExpandedBytes) {
        walk.expanded += group->second.size();
        walk.open.push_back(group->first);
        std::string out = ReversePathAt(group->second, walk);
        walk.open.pop_back();
        return out;
    }
    if (step.empty())
        return "\n";
    if (step.front() != '#') {
        // The runner takes a brace block only when its "}" is a character of
        // its own, not the second byte of a double-byte one.
        if (step.front() == '{' && step.size() >= 2 && step.back() == '}' &&
            gbk::AtCharBoundary(step, step.size() - 1)) {
            std::string inner(step.substr(1, step.size() - 2));
            if (inner.empty() || inner.back() != ';')
                inner += ';';
            // ";" is below 0x40 and never a second byte: a byte search finds it.
            std::vector<std::string> parts;
            std::size_t pos = 0;
            std::size_t semi;
            while ((semi = inner.find(';', pos)) != std::string::npos) {
                const std::string_view element(inner.data() + pos, semi - pos);
                parts.push_back(ReverseStepAt(gbk::TrimLeft(element), walk));
                pos = semi + 1;
            }
            std::string out = "{";
            for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
                out += *it;
                out += ';';
            }
            out += '}';
            return out;
        }
        return ReverseWord(step);
    }
    const std::size_t space = step.find(' ');
    if (space == std::string_view::npos)
        return ReverseWord(step);
    std::string out(step.substr(0, space + 1));
    out += ReverseStepAt(gbk::Trim(step.substr(space + 1)), walk);
    return out;
}

std::string ReversePath(std::string_view text, const DirectionPairs &pairs,
                        const automation::GroupTable::Groups &groups)
{
    return PathReverser(pairs, groups).ReversePath(text);
}

} // namespace session
