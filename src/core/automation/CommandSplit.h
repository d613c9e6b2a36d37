// How a command text falls into commands: the one splitting rule shared by the
// runner's command language and by path reversal, so a path reverses step by
// step exactly as it would be walked.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace automation {

// The text with its separators turned into line ends, ending in LF: while a
// ";" remains, the stretch up to the first "}" is kept whole when both braces
// are still ahead (so a brace block stays one command); otherwise the bytes
// before the next ";" become a line. One forward pass, linear in the text.
std::string SplitIntoLines(std::string_view text);

// The commands of a split text in order, each trimmed at the left and ending
// with its LF. The views point into `splitText`.
std::vector<std::string_view> CommandLines(std::string_view splitText);

} // namespace automation
