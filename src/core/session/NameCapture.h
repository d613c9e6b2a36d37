// Which typed line a game window takes as the character's name for its caption,
// once the game's text has asked for the name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace session {

// The name to append to the caption for the line sent while the capture is
// armed: the line trimmed. A character name is one word, so a line that still
// holds a blank inside ("connect wizard potrzebie", where the second word is a
// password) or nothing at all is no name and gives nothing.
std::optional<std::string> CapturedName(std::string_view typedLine);

} // namespace session
