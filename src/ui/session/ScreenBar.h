// The screen's scroll bar. Every frame sets its range and position, and the
// newest line moves them by one; most such moves leave the bar looking just
// as it did (the handle stays on the same pixels), so the bar is painted
// again only when what it shows changed. Painting it would also paint the
// window frame under it, each frame.
#pragma once

#include <optional>

#include <QRect>
#include <QScrollBar>
#include <QStyle>

namespace session {

class ScreenBar final : public QScrollBar
{
public:
    ScreenBar(Qt::Orientation orientation, QWidget *parent);

    // Range 0..maximum and the position, as one change.
    void Show(int maximum, int position);
    // Paint events handled so far (tests).
    int paintCount() const { return paintCount_; }

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Everything of the bar's state that its picture depends on.
    struct Look
    {
        QRect handle;
        QStyle::State state;
        QStyle::SubControls active;
        bool atMinimum;
        bool atMaximum;
        bool empty;
        bool operator==(const Look &o) const = default;
    };
    Look Now() const;
    // Bars that show and hide themselves as they move are painted at every change.
    bool Transient() const;

    std::optional<Look> painted_;
    bool showing_ = false;
    int paintCount_ = 0;
};

} // namespace session
