#include "core/session/PathEditorRules.h"

#include "core/text/GbkText.h"
#include "core/text/PairedLists.h"

namespace session {

void PathEditorRules::Load(const PathLists &lists)
{
    names = lists.pathNames;
    texts = lists.pathTexts;
    texts.resize(names.size());
}

bool PathEditorRules::Confirm(const std::string &name, const std::string &text)
{
    if (gbk::Trim(name).empty() || gbk::Trim(text).empty())
        return false;
    lists::SetNamed(names, texts, name, text);
    return true;
}

bool PathEditorRules::Delete(int index)
{
    return lists::EraseEntry(names, texts, index);
}

std::optional<int> PathEditorRules::SlowDelayFrom(std::string_view field)
{
    return gbk::ToInt(field);
}

void DirectionEditorRules::Load(const DirectionPairs &pairs)
{
    forward = pairs.forwardDirections;
    reverse = pairs.reverseDirections;
    reverse.resize(forward.size());
}

void DirectionEditorRules::Confirm(const std::string &forwardWord, const std::string &reverseWord)
{
    for (std::size_t i = 0; i < forward.size(); ++i) {
        if (forward[i] == forwardWord || forward[i] == reverseWord || reverse[i] == forwardWord ||
            reverse[i] == reverseWord) {
            forward[i] = forwardWord;
            reverse[i] = reverseWord;
            return;
        }
    }
    forward.push_back(forwardWord);
    reverse.push_back(reverseWord);
}

bool DirectionEditorRules::Delete(int index)
{
    return lists::EraseEntry(forward, reverse, index);
}

} // namespace session
