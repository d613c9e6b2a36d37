// What a screen thread tells the window it draws for. Every call comes on the
// screen thread; the window posts anything that touches its widgets or its
// socket to its own thread.
#pragma once

#include <string>
#include <vector>

namespace screen {

class ScreenHost
{
public:
    // A frame waits to be taken with TakeFrame. Called only when the one
    // before was taken, so frames never pile up.
    virtual void FrameReady() = 0;
    // The new lines of an update, while mirroring is on.
    virtual void MirrorLines(std::vector<std::string> texts) = 0;
    // The queue, once over its bound, is down to the resume mark again.
    virtual void QueueDrained() = 0;

protected:
    ~ScreenHost() = default;
};

} // namespace screen
