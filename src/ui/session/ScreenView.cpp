#include "ui/session/ScreenView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace session {

ScreenView::ScreenView(QWidget *parent)
    : QWidget(parent)
{
    // Every pixel comes from the frame; nothing needs clearing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setCursor(Qt::IBeamCursor);
}

void ScreenView::SetFrame(QImage frame, QRgb background, int ringTop, int ringHeight)
{
    frame_ = std::move(frame);
    background_ = background;
    // A ring that does not fit the image is shown as it lies.
    const bool ring = ringTop > 0 && ringTop < ringHeight && ringHeight <= frame_.height();
    ringTop_ = ring ? ringTop : 0;
    ringHeight_ = ring ? ringHeight : 0;
    update();
}

QImage ScreenView::SwapFrame(QImage frame, QRgb background, int ringTop, int ringHeight)
{
    QImage old = std::move(frame_);
    SetFrame(std::move(frame), background, ringTop, ringHeight);
    return old;
}

void ScreenView::SetSplit(const screen::SplitLayout &split)
{
    split_ = split;
    // The pointer is followed only while there is a divider to show it over.
    setMouseTracking(split_.open());
    if (!split_.open())
        setCursor(Qt::IBeamCursor);
}

void ScreenView::paintEvent(QPaintEvent *)
{
    // Only blits: the frame was painted by the screen thread.
    QPainter p(this);
    if (ringTop_ > 0) {
        const int w = frame_.width();
        const int turned = ringHeight_ - ringTop_;
        p.drawImage(QPoint(0, 0), frame_, QRect(0, ringTop_, w, turned));
        p.drawImage(QPoint(0, turned), frame_, QRect(0, 0, w, ringTop_));
        p.drawImage(QPoint(0, ringHeight_), frame_,
                    QRect(0, ringHeight_, w, frame_.height() - ringHeight_));
    } else if (!frame_.isNull()) {
        p.drawImage(0, 0, frame_);
    }
    const QColor background(background_);
    if (frame_.width() < width())
        p.fillRect(frame_.width(), 0, width() - frame_.width(), height(), background);
    if (frame_.height() < height())
        p.fillRect(0, frame_.height(), width(), height() - frame_.height(), background);
    ++paintCount_;
}

void ScreenView::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit pressed(event->button(), pos.x(), pos.y());
}

void ScreenView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->buttons() == Qt::NoButton) {
        setCursor(screen::OnDivider(split_, pos.y()) ? Qt::SplitVCursor : Qt::IBeamCursor);
        return; // only hovering: nothing is being dragged
    }
    emit moved(pos.x(), pos.y());
}

void ScreenView::mouseReleaseEvent(QMouseEvent *event)
{
    emit released(event->button());
}

void ScreenView::wheelEvent(QWheelEvent *event)
{
    event->accept();
    emit wheelTurned(event->angleDelta(), event->modifiers());
}

} // namespace session
