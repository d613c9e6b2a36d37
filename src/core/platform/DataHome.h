// Where the desktop entry starts the program: a folder of its own under the
// user's data directory, so Quorvel.ini, the profiles and the aux window's
// files do not land in whatever folder the launcher picks.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The command-line flag that asks for it; without it the program works in
// the folder current at start-up, as it always has.
inline constexpr const char *kDataHomeFlag = "--data-home";

// $XDG_DATA_HOME/quorvel, or $HOME/.local/share/quorvel when XDG_DATA_HOME is
// unset, empty or not an absolute path (the desktop's base-directory rule).
// Empty without a usable HOME either. Either value may be null.
std::optional<std::string> DataHomeFolder(const char *xdgDataHome, const char *home);

// Makes the folder (and its parents) when missing and makes it the current
// folder; false, with the current folder unchanged, when either fails.
bool EnterFolder(const std::string &folder);

} // namespace platform
