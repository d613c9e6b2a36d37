#include "ui/session/ScreenBar.h"

#include <QStyleOptionSlider>

namespace session {

ScreenBar::ScreenBar(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent)
{}

void ScreenBar::Show(int maximum, int position)
{
    if (Transient()) {
        setRange(0, maximum);
        setValue(position);
        return;
    }
    // The range alone may move the handle where the position then puts it back.
    showing_ = true;
    setRange(0, maximum);
    setValue(position);
    showing_ = false;
    if (painted_ != Now())
        update();
}

void ScreenBar::sliderChange(SliderChange change)
{
    if (!Transient() && (showing_ || painted_ == Now()))
        return;
    QScrollBar::sliderChange(change);
}

void ScreenBar::paintEvent(QPaintEvent *event)
{
    painted_ = Now();
    ++paintCount_;
    QScrollBar::paintEvent(event);
}

ScreenBar::Look ScreenBar::Now() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
        option.state,
        option.activeSubControls,
        option.sliderValue == option.minimum,
        option.sliderValue == option.maximum,
        option.minimum == option.maximum};
}

bool ScreenBar::Transient() const
{
    return style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this) != 0;
}

} // namespace session
