// The paste sender's text rules: how much of a selection it keeps, "合并一行" (the
// lines as one comma-separated line) and the command text that "发送" hands to a
// game window.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace screen {

// What the paste sender holds at most of a selection. A whole screen store of
// ordinary lines is a few hundred kilobytes; this is ten times that and more,
// and still shows in its editor without holding the window thread for long.
constexpr std::size_t kPasteKeepBytes = 4u << 20;

// How much of `text` the paste sender keeps: all of it within `cap` bytes;
// otherwise its first lines up to the last line end (CR or LF) within the cap,
// or, when the first line alone is longer, its first `cap` bytes cut at a
// character boundary.
std::size_t PasteKeptLength(std::string_view text, std::size_t cap = kPasteKeepBytes);

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
