#include "ui/screen/FontDialog.h"

#include "core/screen/FontFields.h"
#include "render/GbkCodec.h"
#include "ui/platform/DialogLook.h"
#include "ui/platform/SystemMessage.h"
#include "ui/screen/FontSizes.h"

#include <QFontDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace screen {

namespace {

// The line spacing the spin buttons go up to.
constexpr int kSpacingMax = 9999;

std::optional<QFont> PlatformChooser(QWidget *parent, const QFont &preset)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, preset, parent);
    if (!ok)
        return std::nullopt;
    return chosen;
}

// Digits and control characters (backspace, the clipboard keys) pass.
bool KeyPasses(const QString &text)
{
    return text.isEmpty() || text.front().unicode() < 32 || text.front().isDigit();
}

bool AllDigits(const QString &text)
{
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

TFontSetting::TFontSetting(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint)
    , chooseFont(PlatformChooser)
{
    setObjectName(QStringLiteral("FontSetting"));
    platform::SetDialogLook(this, QStringLiteral("字体设定"), 300, 118);

    auto *fontLabel = new QLabel(QStringLiteral("字体："), this);
    fontLabel->move(12, 16);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(70, 12, 180, 22);
    Edit1->setReadOnly(true);
    Edit1->setEnabled(false);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setText(QStringLiteral("…"));
    SpeedButton1->setToolTip(QStringLiteral("选择字体"));
    SpeedButton1->setGeometry(256, 11, 28, 24);

    auto *spacingLabel = new QLabel(QStringLiteral("行间距："), this);
    spacingLabel->move(12, 50);
    Edit2 = new QLineEdit(QStringLiteral("0"), this);
    Edit2->setGeometry(70, 46, 60, 22);
    Edit2->installEventFilter(this);
    UpDown1Up = new QToolButton(this);
    UpDown1Up->setArrowType(Qt::UpArrow);
    UpDown1Up->setGeometry(131, 46, 16, 11);
    UpDown1Up->setAutoRepeat(true);
    UpDown1Down = new QToolButton(this);
    UpDown1Down->setArrowType(Qt::DownArrow);
    UpDown1Down->setGeometry(131, 57, 16, 11);
    UpDown1Down->setAutoRepeat(true);

    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn1->setGeometry(130, 84, 72, 26);
    BitBtn2 = new QPushButton(QStringLiteral("放弃"), this);
    BitBtn2->setGeometry(212, 84, 72, 26);
    BitBtn1->setAutoDefault(false);
    BitBtn2->setAutoDefault(false);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(UpDown1Up, &QToolButton::clicked, this, [this] { UpDown1Click(1); });
    connect(UpDown1Down, &QToolButton::clicked, this, [this] { UpDown1Click(-1); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
}

void TFontSetting::LoadFromSession(session::SessionPort &window)
{
    window_ = &window;
    disconnect(windowGone_);
    windowGone_ = connect(window.lifetime(), &QObject::destroyed, this, [this] { hide(); });
    const screen::ScreenLook look = window.look();
    Edit1->setText(gbk::ToQString(screen::FontFieldText(look.fontName, look.fontSize)));
    Edit2->setText(QString::number(look.lineSpacing));
    show();
    activateWindow();
}

bool TFontSetting::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit2) {
        if (event->type() == QEvent::KeyPress &&
            !KeyPasses(static_cast<QKeyEvent *>(event)->text()))
            return true;
        // Text an input method commits is held to the same rule.
        if (event->type() == QEvent::InputMethod &&
            !AllDigits(static_cast<QInputMethodEvent *>(event)->commitString()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFontSetting::SpeedButton1Click()
{
    if (!chooseFont)
        return;
    // The chooser starts at the face and size the field shows. The field's
    // size is the screen's cell height in pixels, the chooser's is in points:
    // both ways go through this screen's resolution, so the screen draws
    // what the chooser's sample shows.
    const qreal dpi = logicalDpiY();
    const std::string field = gbk::FromQString(Edit1->text());
    const std::size_t comma = field.find(',');
    const QString face = gbk::ToQString(std::string_view(field).substr(0, comma));
    QFont preset(face);
    if (comma != std::string::npos) {
        const std::optional<screen::FontField> parsed = screen::ParseFontField(field);
        if (parsed && parsed->fontSize > 0)
            preset = fontsizes::ChooserPreset(face, parsed->fontSize, dpi);
    }
    const std::optional<QFont> chosen = chooseFont(this, preset);
    if (!chosen)
        return;
    const int size = fontsizes::CellHeightOfChosen(*chosen, dpi);
    const std::string chosenFace = screen::FitFontName(gbk::FromQString(chosen->family()));
    Edit1->setText(gbk::ToQString(screen::FontFieldText(chosenFace, size)));
}

void TFontSetting::UpDown1Click(int step)
{
    const int now = screen::ParseLineSpacing(gbk::FromQString(Edit2->text())).value_or(0);
    Edit2->setText(QString::number(std::clamp(now + step, 0, std::max(now, kSpacingMax))));
}

void TFontSetting::BitBtn1Click()
{
    if (Edit2->text().isEmpty())
        Edit2->setText(QStringLiteral("0"));
    // Both fields are checked before anything changes; a bad one keeps the
    // dialog open with the window's font as it was.
    const std::optional<screen::FontField> font =
        screen::ParseFontField(gbk::FromQString(Edit1->text()));
    if (!font) {
        platform::ShowSystemMessage(this, QStringLiteral("字体大小不是整数，请重新选择字体！"),
                                    platform::MessageIcon::Error);
        return;
    }
    const std::optional<int> spacing = screen::ParseLineSpacing(gbk::FromQString(Edit2->text()));
    if (!spacing) {
        platform::ShowSystemMessage(this, QStringLiteral("行间距必须是不小于0的整数！"),
                                    platform::MessageIcon::Error);
        Edit2->setFocus();
        Edit2->selectAll();
        return;
    }
    session::SessionPort *window = window_.get();
    if (!window) {
        hide();
        return;
    }
    screen::ScreenLook look = window->look();
    look.fontSize = font->fontSize;
    look.lineSpacing = *spacing;
    look.fontName = font->fontName;
    window->SetLook(look);
    // The window redraws with the new row height and ends any drag.
    window->FontApplied();
    hide();
}

void TFontSetting::BitBtn2Click()
{
    hide();
}

} // namespace screen
