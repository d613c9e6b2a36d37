// The paste sender's two text rules: "合并一行" (the lines as one comma-separated
// line) and the command text that "发送" hands to a game window.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace screen {

// The lines as one comma-separated line. A line holding a space, a control byte,
// a double quote or a comma is enclosed in double quotes with its inner double
// quotes doubled; double-byte characters are stepped over whole. Exactly one
// empty line gives ‹""›; no lines give an empty text.
std::string JoinOneLine(const std::vector<std::string> &lines);

// The command text for the non-blank lines: prefix, a space, the line and ";",
// then "#WA <delay>;" when the delay is not 0. The delay must be a decimal
// integer (blanks around it are allowed); otherwise std::nullopt.
std::optional<std::string> BuildPasteText(std::string_view prefix,
                                          const std::vector<std::string> &lines,
                                          std::string_view delayText);

} // namespace screen
