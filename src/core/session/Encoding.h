// The encodings a game server may speak. The core's own text is GB18030 (a
// superset of GBK); what a server sends is converted to it on the way in and
// back on the way out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace session {

enum class Encoding {
    kAuto, // detected from what the server sends
    kGbk,
    kGb18030,
    kUtf8,
    kBig5, // Big5-HKSCS where the conversion library has it
};

// Every choice, in the order a list offers them.
inline constexpr Encoding kEncodings[] = {Encoding::kAuto, Encoding::kGbk, Encoding::kGb18030,
                                          Encoding::kUtf8, Encoding::kBig5};

// The name shown and stored: "GBK", "GB18030", "UTF-8", "Big5"; for kAuto the
// GBK bytes of "自动" (never stored: a site on it has no encoding line).
std::string_view EncodingName(Encoding e);

// The encoding a stored or typed name means: the names above in any letter
// case, also "UTF8", "GB2312", "Big5-HKSCS". std::nullopt for anything else.
std::optional<Encoding> EncodingFromName(std::string_view name);

// What the window's status panel says (GBK bytes): the encoding in force,
// with "（自动）" after it when detection chose it; "自动" while detecting.
std::string EncodingStatusText(Encoding setting, Encoding current);

// True for the encodings whose bytes are already the core's text.
constexpr bool IsCoreText(Encoding e)
{
    return e == Encoding::kGbk || e == Encoding::kGb18030;
}

} // namespace session
