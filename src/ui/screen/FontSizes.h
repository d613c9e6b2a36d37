// The font chooser speaks points; a screen's font size is the pixel height of
// its character cell. These convert between the two at a screen's resolution,
// so the size the player picks is the size the screen draws.
#pragma once

#include <QFont>

namespace fontsizes {

// The cell height, in pixels, of the font the chooser returned (a point size,
// or a pixel size where the chooser gave one) on a screen of `dpi` dots per inch.
int CellHeightOfChosen(const QFont &chosen, qreal dpi);

// The chooser's preset for a screen font of face `face` whose cell is
// `cellHeight` pixels high: the point size of the face the screen draws.
QFont ChooserPreset(const QString &face, int cellHeight, qreal dpi);

} // namespace fontsizes
