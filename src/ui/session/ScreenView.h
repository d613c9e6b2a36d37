// The drawing area of a game window: shows the screen thread's latest frame
// and hands mouse presses, moves and releases to the window.
#pragma once

#include <QImage>
#include <QWidget>

class TMDIChild;

class ScreenView : public QWidget
{
    Q_OBJECT

public:
    ScreenView(TMDIChild *window, QWidget *parent);

    void SetFrame(QImage frame, QRgb background);
    const QImage &frame() const { return frame_; }
    QRgb background() const { return background_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TMDIChild *window_;
    QImage frame_;
    QRgb background_ = qRgb(0, 0, 0);
};
