#include "core/automation/GroupTable.h"

#include <mutex>

namespace automation {

std::optional<std::string> GroupTable::Lookup(std::string_view name) const
{
    std::shared_lock lock(mutex_);
    for (std::size_t i = 0; i < groupNames.size(); ++i) {
        if (groupNames[i] == name)
            return groupContents[i];
    }
    return std::nullopt;
}

void GroupTable::Replace(std::vector<std::string> names, std::vector<std::string> contents)
{
    // Keep the lists index-aligned whatever the caller hands over, so a lookup
    // can never read past the contents.
    contents.resize(names.size());
    std::unique_lock lock(mutex_);
    groupNames = std::move(names);
    groupContents = std::move(contents);
}

GroupTable::Groups GroupTable::Snapshot() const
{
    std::shared_lock lock(mutex_);
    return Groups{groupNames, groupContents};
}

} // namespace automation
