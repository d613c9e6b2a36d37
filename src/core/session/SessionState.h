// A game window's own collections and settings, grouped by feature. Each group
// is plain data the window owns on its user-interface thread; editors and the
// profile file copy a group out and hand a whole one back.
#pragma once

#include <string>
#include <vector>

namespace session {

// Key names and the command texts bound to them, index-aligned.
struct HotkeyLists
{
    std::vector<std::string> hotkeyNames;
    std::vector<std::string> hotkeyCommands;
};

// Named walking paths (multi-line texts, CR LF between lines), index-aligned.
struct PathLists
{
    std::vector<std::string> pathNames;
    std::vector<std::string> pathTexts;
};

// Direction words and their opposites, index-aligned.
struct DirectionPairs
{
    std::vector<std::string> forwardDirections;
    std::vector<std::string> reverseDirections;

    // The seventeen pairs every window starts with.
    static DirectionPairs Seeded();
};

// Path recording and walking.
struct WalkSettings
{
    std::string recordedPath;
    bool recording = false;
    bool walkForward = true;
    int slowWalkDelayMs = 1500;
};

// What the clock asks of a window: its keep-alive command and its last words
// before a scheduled hang-up.
struct KeepAliveSettings
{
    std::string keepAliveCommand;
    int keepAliveMinutes = 0;
    int minuteCounter = 0;
    std::string hangUpCommands;
};

} // namespace session
