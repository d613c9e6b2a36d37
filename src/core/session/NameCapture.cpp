#include "core/session/NameCapture.h"

#include "core/text/GbkText.h"

#include <algorithm>

namespace session {

std::optional<std::string> CapturedName(std::string_view typedLine)
{
    const std::string_view name = gbk::Trim(typedLine);
    if (name.empty())
        return std::nullopt;
    // Bytes of 0x20 or less are the blanks trimming removes; inside the line
    // they split it into words. No trail byte of a double-byte character is
    // that low, so the scan needs no character stepping.
    const bool blankInside = std::any_of(
        name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
    if (blankInside)
        return std::nullopt;
    return std::string(name);
}

} // namespace session
