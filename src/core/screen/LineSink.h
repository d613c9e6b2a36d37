// Whatever takes a copy of the lines a screen stores, as it stores them (the
// log file). Called on the screen thread right after each commit: it must
// return at once, never waiting for a disk or another thread's work.
#pragma once

#include "core/screen/Decoder.h"

#include <cstddef>

namespace screen {

class LineSink
{
public:
    virtual ~LineSink() = default;
    // The finished lines of one update, oldest first.
    virtual void TakeLines(const DecodedLine *lines, std::size_t count) = 0;
};

} // namespace screen
