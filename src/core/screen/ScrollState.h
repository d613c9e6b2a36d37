// Follow-or-frozen state of a game window's screen: the scroll lock button,
// the scroll bar's change handler and the return to the newest line.
#pragma once

namespace screen {

class ScrollState
{
public:
    static constexpr int kFollow = -1;

    // The scroll bar as a frame sets it: range 0..maximum, and the position.
    struct Bar
    {
        int maximum = 0;
        int position = 0;
    };

    // Stored line shown at the bottom, or kFollow for the newest line.
    int scrollPos() const { return scrollPos_; }
    // The lock's state: scrolling (tag 1) follows when at the end; stopped (tag 0) never follows.
    bool scrolling() const { return scrolling_; }
    int tag() const { return scrolling_ ? 1 : 0; }
    // The lock button's hint for its state (UTF-8).
    const char *hint() const;

    // Switching the lock: stopped freezes the view on the bar's position;
    // scrolling follows the newest line again.
    void SwitchToStopped(int barPosition);
    void SwitchToScrolling();

    // A click on the lock toggles it. Returns true when a redraw is due: a
    // release jumps from the frozen view to the newest line.
    bool LockClick(int barPosition);

    // The scroll bar's change handler. Reaching the end while scrolling
    // follows; any other position, or the end while stopped, freezes the view
    // there. The caller requests a redraw and ends a drag.
    void BarChanged(int position, int maximum);

    // A command from the input line or the paste sender returns the view to
    // the newest line. The caller also ends a drag, clears the selection and
    // requests a redraw.
    void ReturnToFollow();

    // The range and position a frame gives the scroll bar.
    Bar BarFor(int storedCount) const;

private:
    int scrollPos_ = kFollow;
    bool scrolling_ = true;
};

} // namespace screen
