// What waits for room in a screen's input queue (the runners' link). Told on
// the screen thread after every slice that took bytes off the queue, so that
// writers waiting for room look again.
#pragma once

namespace screen {

class RoomWatcher
{
public:
    virtual void RoomMade() = 0;

protected:
    ~RoomWatcher() = default;
};

} // namespace screen
