// Pixel width of one character in the screen font. The painter supplies a
// font-backed measure; the layout logic only ever asks through this interface.
#pragma once

#include <string_view>

namespace screen {

class TextMeasure
{
public:
    virtual ~TextMeasure() = default;

    // `ch` is exactly one character: a single byte, a lead byte
    // (0x81-0xFE) with its second byte, or a four-byte character. Control bytes such as the CR LF
    // kept at line ends are asked like any other character.
    virtual int CharWidth(std::string_view ch) = 0;
};

} // namespace screen
