// The working copies of the path editor and the direction editor and the rules
// of their buttons, kept free of widgets.
#pragma once

#include "core/session/SessionState.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace session {

class PathEditorRules
{
public:
    // The listed path names and, at the same index, their path texts.
    std::vector<std::string> names;
    std::vector<std::string> texts;

    void Load(const PathLists &lists);

    // "确定". Nothing happens (false) when the name or the text is blank once
    // trimmed. The first listed name equal to `name` as typed gets the text;
    // otherwise the path is appended.
    bool Confirm(const std::string &name, const std::string &text);

    // "删除": removes path `index`; false when there is no such path.
    bool Delete(int index);

    PathLists Result() const { return {names, texts}; }
    std::size_t size() const { return names.size(); }

    // The delay field read as decimal milliseconds; nothing when it does not
    // convert ("关闭" then applies nothing).
    static std::optional<int> SlowDelayFrom(std::string_view field);
};

class DirectionEditorRules
{
public:
    std::vector<std::string> forward;
    std::vector<std::string> reverse;

    void Load(const DirectionPairs &pairs);

    // "确定": the first row holding either word in either column becomes
    // (`forwardWord`, `reverseWord`); with no such row the pair is appended.
    // Empty words are stored like any other.
    void Confirm(const std::string &forwardWord, const std::string &reverseWord);

    // "删除": removes row `index`; false when there is no such row.
    bool Delete(int index);

    DirectionPairs Result() const { return {forward, reverse}; }
    std::size_t size() const { return forward.size(); }
};

} // namespace session
