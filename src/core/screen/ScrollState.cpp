#include "core/screen/ScrollState.h"

namespace screen {

const char *ScrollState::hint() const
{
    return scrolling_ ? "屏幕滚动设置(状态：滚动)" : "屏幕滚动设置(状态：停止滚动)";
}

void ScrollState::SwitchToStopped(int barPosition)
{
    scrolling_ = false;
    scrollPos_ = barPosition < 0 ? 0 : barPosition;
}

void ScrollState::SwitchToScrolling()
{
    scrolling_ = true;
    scrollPos_ = kFollow;
    splitOpen_ = false;
}

bool ScrollState::LockClick(int barPosition)
{
    if (scrolling_) {
        SwitchToStopped(barPosition);
        return false;
    }
    SwitchToScrolling();
    return true;
}

void ScrollState::BarChanged(int position, int maximum)
{
    if (splitEnabled_) {
        if (position >= maximum) {
            SwitchToScrolling();
        } else {
            SwitchToStopped(position);
            splitOpen_ = true;
        }
        return;
    }
    scrollPos_ = position < 0 ? 0 : position;
    if (position == maximum && scrolling_)
        scrollPos_ = kFollow;
    else if (scrolling_)
        SwitchToStopped(position);
}

void ScrollState::SetSplitEnabled(bool on)
{
    splitEnabled_ = on;
    if (!on)
        splitOpen_ = false;
}

void ScrollState::GoBackTo(int index)
{
    SwitchToStopped(index);
    splitOpen_ = splitEnabled_;
}

void ScrollState::ReturnToFollow()
{
    SwitchToScrolling();
}

ScrollState::Bar ScrollState::BarFor(int storedCount) const
{
    const int maximum = storedCount < 0 ? 0 : storedCount;
    return {maximum, scrollPos_ == kFollow ? maximum : scrollPos_};
}

} // namespace screen
