#include "ui/screen/ColourDialog.h"

#include "ui/platform/DialogLook.h"

#include <QColorDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace screen {

namespace {

constexpr int kColumns = 8;
constexpr int kSwatchWidth = 36;
constexpr int kSwatchHeight = 24;
constexpr int kColumnStep = 52;
constexpr int kLeft = 14;

// The names under the swatches, foreground slots 0-15 then background 0-7.
// clang-format off
const char *const kNames[TColorForm::kSwatches] = {
    "默认", "红", "绿", "黄", "蓝", "棕红", "灰", "白",
    "亮黑", "亮红", "亮绿", "亮黄", "亮蓝", "亮棕红", "亮灰", "亮白",
    "默认", "红", "绿", "黄", "蓝", "棕红", "灰", "白",
};
// clang-format on

QColor ToQColor(screen::Colour c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

screen::Colour FromQColor(const QColor &c)
{
    return screen::Rgb(unsigned(c.red()), unsigned(c.green()), unsigned(c.blue()));
}

std::optional<QColor> PlatformChooser(QWidget *parent, QColor preset)
{
    const QColor chosen = QColorDialog::getColor(preset, parent, QString());
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

} // namespace

ColourSwatch::ColourSwatch(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
}

void ColourSwatch::SetColour(QColor colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}

void ColourSwatch::mousePressEvent(QMouseEvent *event)
{
    QFrame::mousePressEvent(event);
    emit pressed();
}

TColorForm::TColorForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint)
    , chooseColour(PlatformChooser)
{
    setObjectName(QStringLiteral("ColorForm"));
    platform::SetDialogLook(this, QStringLiteral("颜色设定"), 440, 236);

    auto label = [this](const QString &text, int x, int y) {
        auto *l = new QLabel(text, this);
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    label(QStringLiteral("前景色:"), kLeft, 8);
    label(QStringLiteral("背景色:"), kLeft, 128);
    // Two foreground rows under "前景色:", the background row under "背景色:".
    const int rowTops[] = {26, 72, 146};
    for (int i = 0; i < kSwatches; ++i) {
        const int row = i / kColumns;
        const int x = kLeft + (i % kColumns) * kColumnStep;
        auto *swatch = new ColourSwatch(this);
        swatch->setObjectName(QStringLiteral("Shape%1").arg(i + 1));
        swatch->setGeometry(x, rowTops[row], kSwatchWidth, kSwatchHeight);
        connect(swatch, &ColourSwatch::pressed, this, [this, i] { SwatchPressed(i); });
        Shape[std::size_t(i)] = swatch;
        QLabel *name = label(QString::fromUtf8(kNames[i]), x, rowTops[row] + kSwatchHeight + 2);
        name->setFixedWidth(kColumnStep - 2);
    }

    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn1->setGeometry(440 - 2 * 84, 200, 72, 26);
    BitBtn2 = new QPushButton(QStringLiteral("放弃"), this);
    BitBtn2->setGeometry(440 - 84, 200, 72, 26);
    BitBtn1->setAutoDefault(false);
    BitBtn2->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

    LoadSwatches(screen::ScreenLook{});
}

void TColorForm::ShowSwatch(int index)
{
    Shape[std::size_t(index)]->SetColour(ToQColor(colours_[std::size_t(index)]));
}

void TColorForm::LoadSwatches(const screen::ScreenLook &look)
{
    for (int i = 0; i < kSwatches; ++i) {
        colours_[std::size_t(i)] = look.PaletteSlot(i);
        ShowSwatch(i);
    }
}

void TColorForm::LoadFromSession(session::SessionPort &window)
{
    window_ = &window;
    disconnect(windowGone_);
    windowGone_ = connect(window.lifetime(), &QObject::destroyed, this, [this] { hide(); });
    // Each opening shows the palette again, never swatches left from a
    // cancelled round.
    LoadSwatches(window.look());
    show();
    activateWindow();
}

void TColorForm::SwatchPressed(int index)
{
    if (!chooseColour)
        return;
    const std::optional<QColor> chosen = chooseColour(this, ToQColor(colours_[std::size_t(index)]));
    if (!chosen)
        return;
    colours_[std::size_t(index)] = FromQColor(*chosen);
    ShowSwatch(index);
}

void TColorForm::BitBtn1Click()
{
    if (session::SessionPort *window = window_.get()) {
        // The palette goes over whole, with the window's font as it is now.
        screen::ScreenLook look = window->look();
        for (int i = 0; i < kSwatches; ++i)
            look.PaletteSlot(i) = colours_[std::size_t(i)];
        window->SetLook(look);
    }
    hide();
}

void TColorForm::BitBtn2Click()
{
    hide();
}

} // namespace screen
