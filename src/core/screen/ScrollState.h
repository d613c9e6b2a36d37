// Follow-or-frozen state of a game window's screen: the scroll lock button,
// the scroll bar's change handler and the return to the newest line, and the
// split view that keeps the newest lines in sight while the player reads back.
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
    // With the split view on, a position before the end opens the split (the
    // view stops there, the lower part follows), and the end closes it and
    // follows again, whatever the lock said.
    void BarChanged(int position, int maximum);

    // The split view while scrolled back (off by default: the plain scroll
    // lock). Switching it off closes an open split; the view stays frozen
    // where it is.
    void SetSplitEnabled(bool on);
    bool splitEnabled() const { return splitEnabled_; }
    // Whether the view is split now: stopped where the player scrolled back to.
    bool splitOpen() const { return splitOpen_; }

    // The view stops on stored line `index` because the player went there (a
    // search found it): with the split view on, the split opens.
    void GoBackTo(int index);

    // A command from the input line or the paste sender returns the view to
    // the newest line. The caller also ends a drag, clears the selection and
    // requests a redraw.
    void ReturnToFollow();

    // The range and position a frame gives the scroll bar.
    Bar BarFor(int storedCount) const;

private:
    int scrollPos_ = kFollow;
    bool scrolling_ = true;
    bool splitEnabled_ = false;
    bool splitOpen_ = false;
};

} // namespace screen
