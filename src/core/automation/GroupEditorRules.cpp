#include "core/automation/GroupEditorRules.h"

#include "core/text/GbkText.h"

namespace automation {

void GroupEditorRules::Load(const GroupTable::Groups &groups)
{
    names = groups.groupNames;
    editContents = groups.groupContents;
    // The two lists are index-aligned whatever the table held.
    editContents.resize(names.size());
}

bool GroupEditorRules::Confirm(const std::string &name, const std::string &content)
{
    if (gbk::Trim(name).empty() || gbk::Trim(content).empty())
        return false;
    // The name is kept as typed: blanks around it stay, and letter case counts.
    std::size_t i = 0;
    while (i < names.size() && names[i] != name)
        ++i;
    if (i < names.size()) {
        editContents[i] = content;
    } else {
        names.push_back(name);
        editContents.push_back(content);
    }
    return true;
}

bool GroupEditorRules::Delete(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= names.size())
        return false;
    names.erase(names.begin() + index);
    editContents.erase(editContents.begin() + index);
    return true;
}

void GroupEditorRules::ApplyTo(GroupTable &table) const
{
    table.Replace(names, editContents);
}

} // namespace automation
