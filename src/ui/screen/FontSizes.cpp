#include "ui/screen/FontSizes.h"

#include "core/screen/Palette.h"
#include "render/GbkCodec.h"
#include "render/QtTextMeasure.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>

namespace fontsizes {

namespace {

// The face as the screen sets it up before sizing it.
QFont ScreenFace(const QString &family, int pixelSize)
{
    screen::ScreenLook look;
    look.fontName = gbk::FromQString(family);
    QFont font = screen::ScreenFont(look);
    font.setPixelSize(std::max(1, pixelSize));
    return font;
}

} // namespace

int CellHeightOfChosen(const QFont &chosen, qreal dpi)
{
    const int em = chosen.pointSizeF() > 0 ? int(std::lround(chosen.pointSizeF() * dpi / 72.0))
                                           : std::abs(chosen.pixelSize());
    return QFontMetrics(ScreenFace(chosen.family(), em)).height();
}

QFont ChooserPreset(const QString &face, int cellHeight, qreal dpi)
{
    screen::ScreenLook look;
    look.fontName = gbk::FromQString(face);
    look.fontSize = cellHeight;
    // The em the screen fits into the cell, in points.
    const int em = screen::ScreenFont(look).pixelSize();
    QFont preset(face);
    preset.setPointSize(std::max(1, int(std::lround(em * 72.0 / dpi))));
    return preset;
}

} // namespace fontsizes
