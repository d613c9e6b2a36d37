// The command group editor's working copy of a window's group table and the
// rules of its buttons (load, confirm, delete, apply), kept free of widgets.
#pragma once

#include "core/automation/GroupTable.h"

#include <string>
#include <string_view>
#include <vector>

namespace automation {

class GroupEditorRules
{
public:
    // The listed names and, at the same index, each group's content.
    std::vector<std::string> names;
    std::vector<std::string> editContents;

    void Load(const GroupTable::Groups &groups);

    // "确定". Nothing happens (false) when the name or the content is blank once
    // trimmed. A listed name equal to `name` as typed (byte-wise) gets the new
    // content in its place; otherwise the group is appended.
    bool Confirm(const std::string &name, const std::string &content);

    // "删除": removes group `index`; false when there is no such group.
    bool Delete(int index);

    // "关闭": the lists go to the window's table as they stand.
    void ApplyTo(GroupTable &table) const;

    std::size_t size() const { return names.size(); }
};

} // namespace automation
