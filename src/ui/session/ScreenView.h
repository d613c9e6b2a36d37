// The drawing area of a game window: shows the screen thread's latest frame
// and reports mouse presses, moves and releases; it knows nothing above it.
// A frame's rows may be a ring: its lines from `ringTop` to `ringHeight` are
// shown first, then its lines from 0 to `ringTop`, then the lines below.
// Over the split view's divider the pointer shows that it can be dragged.
#pragma once

#include "core/screen/SplitView.h"

#include <QImage>
#include <QWidget>

namespace session {

class ScreenView : public QWidget
{
    Q_OBJECT

public:
    explicit ScreenView(QWidget *parent);

    void SetFrame(QImage frame, QRgb background, int ringTop = 0, int ringHeight = 0);
    // Shows `frame` and hands back the one it replaces.
    QImage SwapFrame(QImage frame, QRgb background, int ringTop = 0, int ringHeight = 0);
    const QImage &frame() const { return frame_; }
    QRgb background() const { return background_; }
    // The split the frames show, for the pointer's shape over the divider.
    void SetSplit(const screen::SplitLayout &split);
    // Paint events handled so far (measurements count frames where the player sees them).
    int paintCount() const { return paintCount_; }

signals:
    void pressed(Qt::MouseButton button, int x, int y);
    void moved(int x, int y);
    void released(Qt::MouseButton button);
    // The wheel turned over the screen (angle in eighths of a degree).
    void wheelTurned(QPoint angleDelta, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    QImage frame_;
    int ringTop_ = 0;
    int ringHeight_ = 0;
    QRgb background_ = qRgb(0, 0, 0);
    int paintCount_ = 0;
    screen::SplitLayout split_;
};

} // namespace session
