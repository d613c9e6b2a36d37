// The profile file (*.qvl): one game window's font, palette, triggers, hotkeys,
// command groups, paths and direction pairs, as GBK lines ended by CR LF.
// A pure reader and writer; the window applies what the reader gives in one step.
#pragma once

#include "core/automation/GroupTable.h"
#include "core/automation/Triggers.h"
#include "core/screen/Palette.h"
#include "core/session/SessionState.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace session {

// Foreground slots 0-15, then background slots 0-7.
inline constexpr int kProfileColours = screen::ScreenLook::kLookColours;

// Everything a profile file stores. Taken from a window, every part is there.
// Read from a file, the optional parts say what the file gave: the font and the
// palette change only as far as the file gives them and the hotkeys only when
// it has their section; triggers, groups, paths and directions are replaced
// whole (a file without their section empties them).
struct Profile
{
    struct Font
    {
        std::string fontName;
        int fontSize = 0;
    };
    std::optional<Font> font;
    std::array<std::optional<screen::Colour>, kProfileColours> colours{};
    // The rows without the blank row a window's table ends with.
    automation::TriggerTable triggers;
    std::optional<HotkeyLists> hotkeys;
    automation::GroupTable::Groups groups;
    PathLists paths;
    DirectionPairs directions;
};

enum class ProfileFault {
    kEmpty,       // no line at all
    kNotAProfile, // the first line is not the header
    kBadNumber,   // a colour line or the font size is not a decimal integer
    kStrayLine,   // a line outside every section: after an end line, an unknown
                  // marker, an end line where no section is open
    kOutOfOrder,  // a section header before one that comes earlier, or a second time
    kNoTextStart, // a record's text does not begin with its start line
    kCutOff,      // a section header or end line while a record or a section is open
    kEndsEarly,   // the file ends while a record or a section is open
};

// Where and why reading stopped. Whatever the fault, nothing of the file is
// given back: a window applies a profile only when it was read whole.
struct ProfileReadError
{
    ProfileFault fault;
    std::size_t lineNumber = 0; // 1-based: the line where reading stopped
    std::string lineText;       // that line as a message quotes it (gbk::Excerpt)
    std::string section;        // kCutOff, kEndsEarly: the open section ("Machine")
    bool inRecord = false;      // kCutOff, kEndsEarly: one of its records was open
};

struct ProfileReadResult
{
    std::optional<Profile> profile; // set exactly when the file was read whole
    std::optional<ProfileReadError> error;
};

// The file's bytes, header first, every line ended by CR LF.
std::string WriteProfile(const Profile &profile);

// Reads a whole file. Nothing is half-read: either the whole profile or the
// first fault comes back. The body must be what the writer writes, its
// sections in the writer's order, each at most once; a file may end after any
// section that is complete (with its end line; the trigger section, which has
// none, only at the next section header) or after the header alone.
ProfileReadResult ReadProfile(std::string_view bytes);

// A window's palette and font as a profile stores them.
void PutLook(Profile &profile, const screen::ScreenLook &look);
// The look after the profile: only what the profile gives changes.
screen::ScreenLook LookAfter(const Profile &profile, screen::ScreenLook look);

} // namespace session
