// The colour and font dialogs: against a stand-in window for what they hand
// over, and against a real game window for what the screen then draws.
#include "core/session/SessionCodes.h"
#include "render/GbkCodec.h"
#include "render/QtTextMeasure.h"
#include "support/FakeSessionPort.h"
#include "support/HookedFrame.h"
#include "support/MessageLog.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "support/TableRows.h"
#include "ui/platform/SystemMessage.h"
#include "ui/screen/ColourDialog.h"
#include "ui/screen/FontDialog.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenView.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using screen::TColorForm;
using screen::TFontSetting;

using session::ScreenView;
using session::TMDIChild;

using testsupport::WaitFor;

using testsupport::FakeSessionPort;

class LookDialogs : public ::testing::Test
{
protected:
    testsupport::MessageLog messages;
    std::optional<QColor> nextColour;
    std::vector<QColor> colourPresets;
    std::optional<QFont> nextFont;
    std::vector<QFont> fontPresets;

    std::unique_ptr<TColorForm> ColourForm()
    {
        auto form = std::make_unique<TColorForm>();
        form->chooseColour = [this](QWidget *, QColor preset) {
            colourPresets.push_back(preset);
            return nextColour;
        };
        return form;
    }

    std::unique_ptr<TFontSetting> FontForm()
    {
        auto form = std::make_unique<TFontSetting>();
        form->chooseFont = [this](QWidget *, const QFont &preset) {
            fontPresets.push_back(preset);
            return nextFont;
        };
        return form;
    }

    void SetUp() override
    {
        messages.clear();
        colourPresets.clear();
        fontPresets.clear();
        nextColour.reset();
        nextFont.reset();
    }
};

TEST_F(LookDialogs, SwatchesShowThePaletteInSlotOrder)
{
    FakeSessionPort port;
    port.screenLook.fgPalette[15] = screen::Rgb(1, 2, 3);
    port.screenLook.bgPalette[7] = screen::Rgb(4, 5, 6);
    port.screenLook.bgPalette[8] = screen::Rgb(7, 8, 9); // not shown
    auto form = ColourForm();
    form->LoadFromSession(port);
    ASSERT_TRUE(form->isVisible());
    ASSERT_EQ(form->windowTitle(), QStringLiteral("颜色设定"));
    ASSERT_EQ(form->Shape[15]->objectName(), QStringLiteral("Shape16"));
    ASSERT_EQ(form->swatchColour(15), screen::Rgb(1, 2, 3));
    ASSERT_EQ(form->swatchColour(23), screen::Rgb(4, 5, 6));
    ASSERT_EQ(form->Shape[23]->palette().color(QPalette::Window), QColor(4, 5, 6));
    ASSERT_EQ(form->swatchColour(0), screen::Rgb(223, 223, 223));
    ASSERT_EQ(form->swatchColour(16), screen::Rgb(0, 0, 0));
}

TEST_F(LookDialogs, ConfirmHandsThePaletteOverWhole)
{
    FakeSessionPort port;
    auto form = ColourForm();
    form->LoadFromSession(port);
    nextColour = QColor(10, 20, 200);
    QTest::mousePress(form->Shape[16], Qt::LeftButton);
    ASSERT_EQ(colourPresets.size(), std::size_t(1));
    ASSERT_EQ(colourPresets[0], QColor(0, 0, 0));
    ASSERT_EQ(port.looksSet, 0);
    // A cancelled chooser changes nothing.
    nextColour.reset();
    QTest::mousePress(form->Shape[1], Qt::LeftButton);
    ASSERT_EQ(form->swatchColour(1), screen::Rgb(255, 0, 0));

    port.screenLook.fontName = "Mono";
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    ASSERT_EQ(port.looksSet, 1);
    ASSERT_EQ(port.screenLook.bgPalette[0], screen::Rgb(10, 20, 200));
    ASSERT_EQ(port.screenLook.fgPalette, screen::ScreenLook{}.fgPalette);
    ASSERT_EQ(port.screenLook.bgPalette[8], screen::ScreenLook{}.bgPalette[8]);
    ASSERT_EQ(port.screenLook.fontName, std::string("Mono"));
    ASSERT_TRUE(!form->isVisible());
}

TEST_F(LookDialogs, AbandonedSwatchesAreForgotten)
{
    FakeSessionPort port;
    auto form = ColourForm();
    form->LoadFromSession(port);
    nextColour = QColor(9, 9, 9);
    form->SwatchPressed(3);
    ASSERT_EQ(form->swatchColour(3), screen::Rgb(9, 9, 9));
    QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
    ASSERT_TRUE(!form->isVisible());
    ASSERT_EQ(port.looksSet, 0);
    form->LoadFromSession(port);
    ASSERT_EQ(form->swatchColour(3), screen::Rgb(255, 255, 0));

    // A window that closed takes nothing; the dialog goes with it.
    form->SwatchPressed(3);
    port.Close();
    ASSERT_TRUE(!form->isVisible());
    form->BitBtn1Click();
    ASSERT_EQ(port.looksSet, 0);
}

TEST_F(LookDialogs, NewBackgroundShowsInTheNextFrame)
{
    auto form = ColourForm();
    testsupport::HookedFrame dialogs;
    TMDIChild w(nullptr, "", &dialogs);
    w.resize(400, 300);
    w.show();
    w.screen().Enqueue("\x1b[31mred line\r\n");
    auto *view = w.findChild<ScreenView *>();
    ASSERT_TRUE(view);
    auto corner = [view] {
        const QImage &frame = view->frame();
        return frame.isNull() ? QRgb(1) : frame.pixel(frame.width() - 2, frame.height() - 2);
    };
    ASSERT_TRUE(WaitFor([&] { return (corner()) == (qRgb(0, 0, 0)); }));
    form->LoadFromSession(w);
    ASSERT_TRUE(form->isVisible());
    nextColour = QColor(30, 60, 90);
    QTest::mousePress(form->Shape[16], Qt::LeftButton);
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return (corner()) == (qRgb(30, 60, 90)); }));
    ASSERT_EQ(w.look().bgPalette[0], screen::Rgb(30, 60, 90));
}

TEST_F(LookDialogs, FontFieldsAndChooser)
{
    FakeSessionPort port;
    port.screenLook.lineSpacing = 3;
    auto form = FontForm();
    form->LoadFromSession(port);
    ASSERT_EQ(form->windowTitle(), QStringLiteral("字体设定"));
    ASSERT_EQ(form->Edit1->text(), QStringLiteral("宋体,14"));
    ASSERT_TRUE(!form->Edit1->isEnabled());
    ASSERT_EQ(form->Edit2->text(), QStringLiteral("3"));

    // The field keeps the cell height in pixels; the chooser gets points.
    nextFont = QFont(QStringLiteral("DejaVu Sans Mono"));
    nextFont->setPointSize(18);
    QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
    ASSERT_EQ(fontPresets.size(), std::size_t(1));
    ASSERT_EQ(fontPresets[0].family(), QStringLiteral("宋体"));
    const int cell18 = QFontMetrics(*nextFont, form.get()).height();
    ASSERT_EQ(form->Edit1->text(), QStringLiteral("DejaVu Sans Mono,%1").arg(cell18));
    ASSERT_EQ(port.looksSet, 0);
    // A cancelled chooser leaves the field.
    nextFont.reset();
    form->SpeedButton1Click();
    ASSERT_EQ(form->Edit1->text(), QStringLiteral("DejaVu Sans Mono,%1").arg(cell18));

    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    ASSERT_EQ(port.fontsApplied, 1);
    ASSERT_EQ(port.screenLook.fontName, std::string("DejaVu Sans Mono"));
    ASSERT_EQ(port.screenLook.fontSize, cell18);
    ASSERT_EQ(port.screenLook.lineSpacing, 3);
}

TEST_F(LookDialogs, TheScreenDrawsTheSizeTheChooserShows)
{
    // For each size picked in the chooser: the screen's cell is as high as the
    // chooser's sample at this screen's resolution, and the chooser opens at
    // the same size again.
    for (const int points : {8, 9, 10, 12, 18}) {
        SCOPED_TRACE(points);
        auto form = FontForm();
        TMDIChild w(nullptr, "", nullptr);
        form->LoadFromSession(w);
        nextFont = QFont(QStringLiteral("DejaVu Sans Mono"));
        nextFont->setPointSize(points);
        QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
        ASSERT_EQ(w.look().fontName, std::string("DejaVu Sans Mono"));
        const int sample = QFontMetrics(*nextFont, form.get()).height();
        ASSERT_EQ(screen::QtTextMeasure::ForLook(w.look())->cellHeight(), sample);

        fontPresets.clear();
        nextFont.reset();
        form->LoadFromSession(w);
        QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
        ASSERT_EQ(fontPresets.size(), std::size_t(1));
        ASSERT_EQ(fontPresets[0].pointSize(), points);
    }
}

TEST_F(LookDialogs, LineSpacingField)
{
    struct Row
    {
        const char *label;
        QString text;
        bool applied;
        int spacing;
        QString shown;
    };
    const Row rows[] = {
        {"empty", "", true, 0, "0"},
        {"digits", "12", true, 12, "12"},
        {"letters", "ab", false, 5, "ab"},
        {"negative", "-2", false, 5, "-2"},
        {"too big", "99999999999", false, 5, "99999999999"},
    };
    for (const Row &row : rows) {
        FRESH_FIXTURE_FOR_ROW(row, rows);
        const auto &[label, text, applied, spacing, shown] = row;
        FakeSessionPort port;
        auto form = FontForm();
        form->LoadFromSession(port);
        form->Edit2->setText(text); // as if pasted
        form->BitBtn1Click();
        ASSERT_EQ(port.fontsApplied, applied ? 1 : 0);
        ASSERT_EQ(port.looksSet, applied ? 1 : 0);
        ASSERT_EQ(port.screenLook.lineSpacing, spacing);
        ASSERT_EQ(port.screenLook.fontSize, 14);
        ASSERT_EQ(form->Edit2->text(), shown);
        ASSERT_EQ(messages.size(), std::size_t(applied ? 0 : 1));
        ASSERT_EQ(form->isVisible(), !applied); // an applied font closes the dialog
    }
}

TEST_F(LookDialogs, LineSpacingKeysAndSpinButtons)
{
    FakeSessionPort port;
    port.screenLook.lineSpacing = 0;
    auto form = FontForm();
    form->LoadFromSession(port);
    form->Edit2->clear();
    QTest::keyClicks(form->Edit2, QStringLiteral("1a-2 "));
    ASSERT_EQ(form->Edit2->text(), QStringLiteral("12"));
    QTest::keyClick(form->Edit2, Qt::Key_Backspace);
    ASSERT_EQ(form->Edit2->text(), QStringLiteral("1"));
    QTest::mouseClick(form->UpDown1Up, Qt::LeftButton);
    ASSERT_EQ(form->Edit2->text(), QStringLiteral("2"));
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(form->UpDown1Down, Qt::LeftButton);
    ASSERT_EQ(form->Edit2->text(), QStringLiteral("0"));
}

TEST_F(LookDialogs, LongFaceNamesAreCutWhole)
{
    FakeSessionPort port;
    auto form = FontForm();
    form->LoadFromSession(port);
    nextFont = QFont(QString(120, QLatin1Char('f')));
    nextFont->setPointSize(12);
    form->SpeedButton1Click();
    form->BitBtn1Click();
    ASSERT_EQ(port.screenLook.fontName, std::string(99, 'f'));
    // A name of exactly 99 bytes is kept whole, and so is a Chinese one.
    form->Edit1->setText(QString(99, QLatin1Char('g')) + QStringLiteral(",13"));
    form->BitBtn1Click();
    ASSERT_EQ(port.screenLook.fontName, std::string(99, 'g'));
    form->Edit1->setText(QStringLiteral("黑体,13"));
    form->BitBtn1Click();
    ASSERT_EQ(port.screenLook.fontName, gbk::FromQString(QStringLiteral("黑体")));
}

TEST_F(LookDialogs, FontConfirmReachesARealWindow)
{
    auto form = FontForm();
    testsupport::HookedFrame dialogs;
    TMDIChild w(nullptr, "", &dialogs);
    w.resize(400, 300);
    w.show();
    form->LoadFromSession(w);
    ASSERT_TRUE(form->isVisible());
    form->Edit1->setText(QStringLiteral("DejaVu Sans Mono,20"));
    form->Edit2->setText(QStringLiteral("2"));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(!form->isVisible());
    ASSERT_EQ(w.look().RowHeight(), 22);
    ASSERT_EQ(w.look().fontName, std::string("DejaVu Sans Mono"));
}
