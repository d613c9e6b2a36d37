// Two lists kept index-aligned, a name and its value at the same index, as the
// editors of groups, hotkeys, paths and direction pairs hold them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lists {

// The first entry named `name` (byte-wise) gets `value`; without one, both are
// appended. A name is never listed twice.
inline void SetNamed(std::vector<std::string> &names, std::vector<std::string> &values,
                     const std::string &name, const std::string &value)
{
    std::size_t i = 0;
    while (i < names.size() && names[i] != name)
        ++i;
    if (i < names.size()) {
        values[i] = value;
    } else {
        names.push_back(name);
        values.push_back(value);
    }
}

// Removes entry `index` from both lists; false when there is no such entry.
inline bool EraseEntry(std::vector<std::string> &names, std::vector<std::string> &values, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= names.size())
        return false;
    names.erase(names.begin() + index);
    values.erase(values.begin() + index);
    return true;
}

} // namespace lists
