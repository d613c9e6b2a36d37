#include "ui/session/ToggleGlyphs.h"

#include <functional>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace glyphs {

namespace {

QIcon Draw(const std::function<void(QPainter &)> &paint)
{
    QPixmap pm(14, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return QIcon(pm);
}

QIcon Arrow(bool down, QColor colour)
{
    return Draw([=](QPainter &p) {
        QPainterPath path;
        if (down) {
            path.moveTo(2, 4);
            path.lineTo(12, 4);
            path.lineTo(7, 11);
        } else {
            path.moveTo(2, 10);
            path.lineTo(12, 10);
            path.lineTo(7, 3);
        }
        path.closeSubpath();
        p.fillPath(path, colour);
    });
}

} // namespace

QIcon Scrolling()
{
    static const QIcon icon = Arrow(true, QColor(0, 128, 0));
    return icon;
}

QIcon Stopped()
{
    static const QIcon icon = Draw([](QPainter &p) {
        p.fillRect(3, 3, 3, 8, QColor(192, 0, 0));
        p.fillRect(8, 3, 3, 8, QColor(192, 0, 0));
    });
    return icon;
}

QIcon AutoOn()
{
    static const QIcon icon = Draw([](QPainter &p) {
        p.setBrush(QColor(0, 160, 0));
        p.setPen(Qt::NoPen);
        p.drawEllipse(2, 2, 10, 10);
        p.setPen(QPen(Qt::white, 1.5));
        p.drawText(QRect(2, 2, 10, 10), Qt::AlignCenter, QStringLiteral("A"));
    });
    return icon;
}

QIcon AutoOff()
{
    static const QIcon icon = Draw([](QPainter &p) {
        p.setBrush(QColor(150, 150, 150));
        p.setPen(Qt::NoPen);
        p.drawEllipse(2, 2, 10, 10);
        p.setPen(QPen(QColor(192, 0, 0), 1.5));
        p.drawLine(3, 3, 11, 11);
    });
    return icon;
}

QIcon RecordOn()
{
    static const QIcon icon = Draw([](QPainter &p) {
        p.setBrush(QColor(220, 0, 0));
        p.setPen(Qt::NoPen);
        p.drawEllipse(3, 3, 8, 8);
    });
    return icon;
}

QIcon RecordOff()
{
    static const QIcon icon = Draw([](QPainter &p) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(90, 90, 90), 1.5));
        p.drawEllipse(3, 3, 8, 8);
    });
    return icon;
}

QIcon PathForward()
{
    static const QIcon icon = Arrow(false, QColor(0, 0, 160));
    return icon;
}

QIcon PathReverse()
{
    static const QIcon icon = Arrow(true, QColor(0, 0, 160));
    return icon;
}

} // namespace glyphs
