// A game window's command groups: names and contents as two parallel lists,
// read by any number of runner threads and replaced as a whole by the editor.
#pragma once

#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

namespace automation {

class GroupTable
{
public:
    struct Groups
    {
        std::vector<std::string> groupNames;
        std::vector<std::string> groupContents;
    };

    // Content of the first group whose name equals `name` (byte-wise, case-sensitive).
    std::optional<std::string> Lookup(std::string_view name) const;
    // Replaces the whole table (editor apply, profile load). A content list
    // shorter than the names gives the missing groups an empty content.
    void Replace(std::vector<std::string> names, std::vector<std::string> contents);
    Groups Snapshot() const;

private:
    mutable std::shared_mutex mutex_;
    std::vector<std::string> groupNames;
    std::vector<std::string> groupContents;
};

} // namespace automation
