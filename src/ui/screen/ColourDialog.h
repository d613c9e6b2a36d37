// The colour dialog "颜色设定" (TColorForm): 24 swatches for a game window's
// palette, foreground slots 0-15 and background slots 0-7. One dialog for the
// program, re-targeted at each opening; "确定" hands the palette over whole.
#pragma once

#include "core/screen/Palette.h"
#include "ui/session/SessionPort.h"

#include <array>
#include <functional>
#include <optional>

#include <QColor>
#include <QDialog>
#include <QFrame>

class QPushButton;

namespace screen {

// One colour swatch (`Shape1`-`Shape24`): shows a colour and reports a press.
class ColourSwatch : public QFrame
{
    Q_OBJECT

public:
    explicit ColourSwatch(QWidget *parent);
    void SetColour(QColor colour);

signals:
    void pressed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

class TColorForm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kSwatches = screen::ScreenLook::kLookColours;

    explicit TColorForm(QWidget *parent = nullptr);

    // Code 2: shows the dialog for `window` and takes the swatches from its palette.
    void LoadFromSession(session::SessionPort &window);
    // Shape1-Shape16 from foreground slots 0-15, Shape17-Shape24 from background 0-7.
    void LoadSwatches(const screen::ScreenLook &look);

    // The colour chooser, preset to the swatch's colour; empty when cancelled.
    // The platform's chooser unless a test puts its own.
    std::function<std::optional<QColor>(QWidget *parent, QColor preset)> chooseColour;

    // A press on swatch `index` (0-23): the chooser, and the swatch takes its colour.
    void SwatchPressed(int index);
    void BitBtn1Click(); // "确定"
    void BitBtn2Click(); // "放弃"

    screen::Colour swatchColour(int index) const { return colours_[std::size_t(index)]; }

    std::array<ColourSwatch *, kSwatches> Shape{};
    QPushButton *BitBtn1 = nullptr; // "确定"
    QPushButton *BitBtn2 = nullptr; // "放弃"

private:
    void ShowSwatch(int index);

    // The swatches' colour numbers; a swatch not chosen again keeps its number
    // exactly, whatever the chooser could show of it.
    std::array<screen::Colour, kSwatches> colours_{};
    session::SessionPortRef window_;
    QMetaObject::Connection windowGone_;
};

} // namespace screen
