#include "core/automation/GroupEditorRules.h"

#include "core/text/GbkText.h"
#include "core/text/PairedLists.h"

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
    lists::SetNamed(names, editContents, name, content);
    return true;
}

bool GroupEditorRules::Delete(int index)
{
    return lists::EraseEntry(names, editContents, index);
}

void GroupEditorRules::ApplyTo(GroupTable &table) const
{
    table.Replace(names, editContents);
}

} // namespace automation
