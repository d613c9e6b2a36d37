#include "ui/shell/ToolbarGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace shell {

namespace {

const QColor kInk(40, 48, 64);
const QColor kBlue(52, 100, 180);
const QColor kGreen(40, 150, 70);
const QColor kRed(200, 50, 50);
const QColor kGold(225, 170, 40);
const QColor kPaper(250, 250, 245);

QPen Pen(const QColor &colour, qreal width)
{
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// A plug seen from the side: body, two prongs and the cable.
void Plug(QPainter &p, QPointF at, bool facingRight, const QColor &colour)
{
    p.save();
    p.translate(at);
    if (!facingRight)
        p.scale(-1, 1);
    p.setPen(Pen(kInk, 1));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(-4, -4, 7, 8), 1.5, 1.5);
    p.setPen(Pen(kInk, 1.6));
    p.drawLine(QPointF(3, -2), QPointF(6, -2));
    p.drawLine(QPointF(3, 2), QPointF(6, 2));
    p.setPen(Pen(kInk, 1.4));
    p.drawLine(QPointF(-4, 0), QPointF(-8, 0));
    p.restore();
}

void DrawConnect(QPainter &p)
{
    Plug(p, QPointF(7, 12), true, kGreen);
    Plug(p, QPointF(17, 12), false, kGreen);
    p.setPen(Pen(kGreen, 1.5));
    p.drawLine(QPointF(11, 6), QPointF(13, 6));
    p.drawLine(QPointF(11, 18), QPointF(13, 18));
}

void DrawDisconnect(QPainter &p)
{
    Plug(p, QPointF(5, 12), true, kRed);
    Plug(p, QPointF(19, 12), false, kRed);
    p.setPen(Pen(kRed, 1.6));
    p.drawLine(QPointF(10, 7), QPointF(14, 17));
}

void DrawAutomation(QPainter &p)
{
    // A lightning bolt: answers fired without the player.
    QPainterPath bolt;
    bolt.moveTo(14, 2);
    bolt.lineTo(6, 13);
    bolt.lineTo(11, 13);
    bolt.lineTo(9, 22);
    bolt.lineTo(18, 10);
    bolt.lineTo(13, 10);
    bolt.closeSubpath();
    p.setPen(Pen(kInk, 1));
    p.setBrush(kGold);
    p.drawPath(bolt);
}

void DrawAuxWindow(QPainter &p)
{
    p.setPen(Pen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(3.5, 4.5, 17, 15));
    p.setBrush(kBlue);
    p.drawRect(QRectF(3.5, 4.5, 17, 3.5));
    p.setPen(Pen(kInk, 1));
    for (int y = 11; y <= 17; y += 3)
        p.drawLine(QPointF(6, y), QPointF(y == 17 ? 12 : 18, y));
}

void DrawHotkeys(QPainter &p)
{
    // A key cap with a letter on it.
    p.setPen(Pen(kInk, 1));
    p.setBrush(QColor(220, 222, 228));
    p.drawRoundedRect(QRectF(3.5, 4.5, 17, 16), 3, 3);
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(5.5, 5.5, 13, 11), 2, 2);
    QFont font;
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kBlue);
    p.drawText(QRectF(5.5, 5.5, 13, 11), Qt::AlignCenter, QStringLiteral("F"));
}

void DrawCommandGroups(QPainter &p)
{
    // Stacked cards: named texts of commands.
    p.setPen(Pen(kInk, 1));
    for (int i = 2; i >= 0; --i) {
        p.setBrush(i == 0 ? kPaper : QColor(210, 216, 228));
        p.drawRect(QRectF(4.5 + i * 2.5, 3.5 + i * 2.5, 12, 14));
    }
    p.setPen(Pen(kBlue, 1.2));
    for (int y = 7; y <= 14; y += 3)
        p.drawLine(QPointF(7, y), QPointF(14, y));
}

void DrawColours(QPainter &p)
{
    // A palette with four paint spots.
    QPainterPath palette;
    palette.addEllipse(QRectF(2.5, 4.5, 19, 15));
    QPainterPath thumb;
    thumb.addEllipse(QRectF(13, 12, 5, 4.5));
    p.setPen(Pen(kInk, 1));
    p.setBrush(QColor(225, 195, 145));
    p.drawPath(palette.subtracted(thumb));
    const QColor spots[] = {kRed, kGreen, kBlue, kGold};
    const QPointF at[] = {{7, 9}, {11.5, 7.5}, {16, 9}, {7.5, 14}};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(spots[i]);
        p.drawEllipse(at[i], 2, 2);
    }
}

void DrawPaths(QPainter &p)
{
    // A winding road with a flag at its end.
    QPainterPath road;
    road.moveTo(4, 21);
    road.cubicTo(14, 19, 4, 12, 13, 10);
    road.cubicTo(18, 9, 17, 6, 17, 6);
    p.setPen(Pen(kInk, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(road);
    p.setPen(Pen(kInk, 1.2));
    p.drawLine(QPointF(17, 6), QPointF(17, 1.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    QPolygonF flag({QPointF(17, 1.5), QPointF(22, 3), QPointF(17, 4.8)});
    p.drawPolygon(flag);
}

void DrawTimer(QPainter &p)
{
    p.setPen(Pen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(12, 12.5), 9, 9);
    for (int h = 0; h < 12; h += 3) {
        p.save();
        p.translate(12, 12.5);
        p.rotate(h * 30);
        p.drawLine(QPointF(0, -7.5), QPointF(0, -6));
        p.restore();
    }
    p.setPen(Pen(kBlue, 1.6));
    p.drawLine(QPointF(12, 12.5), QPointF(12, 6.5));
    p.drawLine(QPointF(12, 12.5), QPointF(16, 14.5));
}

void DrawSave(QPainter &p)
{
    // A diskette.
    QPainterPath body;
    body.moveTo(3.5, 3.5);
    body.lineTo(17.5, 3.5);
    body.lineTo(20.5, 6.5);
    body.lineTo(20.5, 20.5);
    body.lineTo(3.5, 20.5);
    body.closeSubpath();
    p.setPen(Pen(kInk, 1));
    p.setBrush(kBlue);
    p.drawPath(body);
    p.setBrush(kPaper);
    p.drawRect(QRectF(6.5, 3.5, 10, 6));
    p.drawRect(QRectF(6.5, 13.5, 11, 7));
    p.setBrush(kInk);
    p.drawRect(QRectF(13, 4.5, 2, 4));
}

void DrawLoad(QPainter &p)
{
    // An open folder.
    p.setPen(Pen(kInk, 1));
    p.setBrush(QColor(230, 190, 90));
    QPainterPath back;
    back.moveTo(2.5, 6.5);
    back.lineTo(8.5, 6.5);
    back.lineTo(10.5, 8.5);
    back.lineTo(19.5, 8.5);
    back.lineTo(19.5, 19.5);
    back.lineTo(2.5, 19.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(kGold);
    QPolygonF front(
        {QPointF(2.5, 19.5), QPointF(6, 11.5), QPointF(22.5, 11.5), QPointF(19.5, 19.5)});
    p.drawPolygon(front);
}

QIcon Draw(void (*paint)(QPainter &))
{
    QPixmap pm(kToolbarGlyphSize, kToolbarGlyphSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    p.end();
    return QIcon(pm);
}

} // namespace

QIcon ToolbarIcon(ToolbarGlyph glyph)
{
    switch (glyph) {
    case ToolbarGlyph::Connect:
        return Draw(DrawConnect);
    case ToolbarGlyph::Disconnect:
        return Draw(DrawDisconnect);
    case ToolbarGlyph::Automation:
        return Draw(DrawAutomation);
    case ToolbarGlyph::AuxWindow:
        return Draw(DrawAuxWindow);
    case ToolbarGlyph::Hotkeys:
        return Draw(DrawHotkeys);
    case ToolbarGlyph::CommandGroups:
        return Draw(DrawCommandGroups);
    case ToolbarGlyph::Colours:
        return Draw(DrawColours);
    case ToolbarGlyph::Paths:
        return Draw(DrawPaths);
    case ToolbarGlyph::Timer:
        return Draw(DrawTimer);
    case ToolbarGlyph::SaveSettings:
        return Draw(DrawSave);
    case ToolbarGlyph::LoadSettings:
        return Draw(DrawLoad);
    }
    return {};
}

} // namespace shell
