// A text measure for layout tests: 8 pixels per byte (ASCII 8, a double-byte
// character 16) and 0 for control bytes, as the font-backed measure gives them.
#pragma once

#include "core/screen/TextMeasure.h"

namespace testsupport {

class FixedMeasure : public screen::TextMeasure
{
public:
    int CharWidth(std::string_view ch) override
    {
        if (ch.size() == 1 && static_cast<unsigned char>(ch[0]) < 0x20)
            return 0;
        return 8 * static_cast<int>(ch.size());
    }
};

} // namespace testsupport
