// What a trigger engine tells the screen whose lines it checks. Both calls
// come on the thread that runs CheckTriggers, outside the table lock.
#pragma once

#include <string>
#include <string_view>

namespace automation {

class TriggerHost
{
public:
    // A row's firings caused by echoes are held back for the rest of the
    // second; told once per burst.
    virtual void FiringsHeldBack(std::string_view pattern) = 0;
    // A line for the screen, as if the server had sent it (the notice that a
    // fired command was cut).
    virtual void ShowLine(std::string line) = 0;

protected:
    ~TriggerHost() = default;
};

} // namespace automation
