// The colour and font dialogs: against a stand-in window for what they hand
// over, and against a real game window for what the screen then draws.
#include "core/session/SessionCodes.h"
#include "render/GbkCodec.h"
#include "support/FakeSessionPort.h"
#include "ui/platform/SystemMessage.h"
#include "ui/screen/ColourDialog.h"
#include "ui/screen/FontDialog.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenView.h"

#include <memory>
#include <optional>
#include <vector>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using testsupport::FakeSessionPort;

class LookDialogsUiTest : public QObject
{
    Q_OBJECT

private:
    std::vector<QString> messages;
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

private slots:
    void init()
    {
        messages.clear();
        colourPresets.clear();
        fontPresets.clear();
        nextColour.reset();
        nextFont.reset();
        platform::SetMessagePresenter([this](QWidget *, const QString &text,
                                             platform::MessageIcon) { messages.push_back(text); });
    }
    void cleanup() { platform::SetMessagePresenter({}); }

    void swatchesShowThePaletteInSlotOrder()
    {
        FakeSessionPort port;
        port.screenLook.fgPalette[15] = screen::Rgb(1, 2, 3);
        port.screenLook.bgPalette[7] = screen::Rgb(4, 5, 6);
        port.screenLook.bgPalette[8] = screen::Rgb(7, 8, 9); // not shown
        auto form = ColourForm();
        form->LoadFromSession(port);
        QVERIFY(form->isVisible());
        QCOMPARE(form->windowTitle(), QStringLiteral("颜色设定"));
        QCOMPARE(form->Shape[15]->objectName(), QStringLiteral("Shape16"));
        QCOMPARE(form->swatchColour(15), screen::Rgb(1, 2, 3));
        QCOMPARE(form->swatchColour(23), screen::Rgb(4, 5, 6));
        QCOMPARE(form->Shape[23]->palette().color(QPalette::Window), QColor(4, 5, 6));
        QCOMPARE(form->swatchColour(0), screen::Rgb(223, 223, 223));
        QCOMPARE(form->swatchColour(16), screen::Rgb(0, 0, 0));
    }

    // A press opens the chooser at the swatch's colour; only "确定" hands the
    // palette over, whole, and the font the window has then is kept.
    void confirmHandsThePaletteOverWhole()
    {
        FakeSessionPort port;
        auto form = ColourForm();
        form->LoadFromSession(port);
        nextColour = QColor(10, 20, 200);
        QTest::mousePress(form->Shape[16], Qt::LeftButton);
        QCOMPARE(colourPresets.size(), std::size_t(1));
        QCOMPARE(colourPresets[0], QColor(0, 0, 0));
        QCOMPARE(port.looksSet, 0);
        // A cancelled chooser changes nothing.
        nextColour.reset();
        QTest::mousePress(form->Shape[1], Qt::LeftButton);
        QCOMPARE(form->swatchColour(1), screen::Rgb(255, 0, 0));

        port.screenLook.fontName = "Mono";
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
        QCOMPARE(port.looksSet, 1);
        QCOMPARE(port.screenLook.bgPalette[0], screen::Rgb(10, 20, 200));
        QCOMPARE(port.screenLook.fgPalette, screen::ScreenLook{}.fgPalette);
        QCOMPARE(port.screenLook.bgPalette[8], screen::ScreenLook{}.bgPalette[8]);
        QCOMPARE(port.screenLook.fontName, std::string("Mono"));
        QVERIFY(!form->isVisible());
    }

    void abandonedSwatchesAreForgotten()
    {
        FakeSessionPort port;
        auto form = ColourForm();
        form->LoadFromSession(port);
        nextColour = QColor(9, 9, 9);
        form->SwatchPressed(3);
        QCOMPARE(form->swatchColour(3), screen::Rgb(9, 9, 9));
        QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
        QVERIFY(!form->isVisible());
        QCOMPARE(port.looksSet, 0);
        form->LoadFromSession(port);
        QCOMPARE(form->swatchColour(3), screen::Rgb(255, 255, 0));

        // A window that closed takes nothing; the dialog goes with it.
        form->SwatchPressed(3);
        port.Close();
        QVERIFY(!form->isVisible());
        form->BitBtn1Click();
        QCOMPARE(port.looksSet, 0);
    }

    // On a real window the empty part of the painted frame takes the new
    // background colour.
    void newBackgroundShowsInTheNextFrame()
    {
        auto form = ColourForm();
        SessionDialogs dialogs;
        dialogs.colourDialog = [&](SessionPort &window) { form->LoadFromSession(window); };
        TMDIChild w(nullptr, "", &dialogs);
        w.resize(400, 300);
        w.show();
        w.screen().Enqueue("\x1b[31mred line\r\n");
        auto *view = w.findChild<ScreenView *>();
        QVERIFY(view);
        auto corner = [view] {
            const QImage &frame = view->frame();
            return frame.isNull() ? QRgb(1) : frame.pixel(frame.width() - 2, frame.height() - 2);
        };
        QTRY_COMPARE(corner(), qRgb(0, 0, 0));
        w.SessionCommand(session::kColourDialog);
        QVERIFY(form->isVisible());
        nextColour = QColor(30, 60, 90);
        QTest::mousePress(form->Shape[16], Qt::LeftButton);
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
        QTRY_COMPARE(corner(), qRgb(30, 60, 90));
        QCOMPARE(w.look().bgPalette[0], screen::Rgb(30, 60, 90));
    }

    void fontFieldsAndChooser()
    {
        FakeSessionPort port;
        port.screenLook.lineSpacing = 3;
        auto form = FontForm();
        form->LoadFromSession(port);
        QCOMPARE(form->windowTitle(), QStringLiteral("字体设定"));
        QCOMPARE(form->Edit1->text(), QStringLiteral("宋体,14"));
        QVERIFY(!form->Edit1->isEnabled());
        QCOMPARE(form->Edit2->text(), QStringLiteral("3"));

        nextFont = QFont(QStringLiteral("DejaVu Sans Mono"));
        nextFont->setPointSize(18);
        QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
        QCOMPARE(fontPresets.size(), std::size_t(1));
        QCOMPARE(fontPresets[0].family(), QStringLiteral("宋体"));
        QCOMPARE(fontPresets[0].pointSize(), 14);
        QCOMPARE(form->Edit1->text(), QStringLiteral("DejaVu Sans Mono,18"));
        QCOMPARE(port.looksSet, 0);
        // A cancelled chooser leaves the field.
        nextFont.reset();
        form->SpeedButton1Click();
        QCOMPARE(form->Edit1->text(), QStringLiteral("DejaVu Sans Mono,18"));

        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
        QCOMPARE(port.fontsApplied, 1);
        QCOMPARE(port.screenLook.fontName, std::string("DejaVu Sans Mono"));
        QCOMPARE(port.screenLook.fontSize, 18);
        QCOMPARE(port.screenLook.lineSpacing, 3);
    }

    // The spacing field: only digits come in by keys, the spin buttons stop at
    // 0, empty counts as 0, and a pasted non-number changes nothing at all.
    void lineSpacingField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << "" << true << 0 << "0";
        QTest::newRow("digits") << "12" << true << 12 << "12";
        QTest::newRow("letters") << "ab" << false << 5 << "ab";
        QTest::newRow("negative") << "-2" << false << 5 << "-2";
        QTest::newRow("too big") << "99999999999" << false << 5 << "99999999999";
    }
    void lineSpacingField()
    {
        QFETCH(QString, text);
        QFETCH(bool, applied);
        QFETCH(int, spacing);
        QFETCH(QString, shown);
        FakeSessionPort port;
        auto form = FontForm();
        form->LoadFromSession(port);
        form->Edit2->setText(text); // as if pasted
        form->BitBtn1Click();
        QCOMPARE(port.fontsApplied, applied ? 1 : 0);
        QCOMPARE(port.looksSet, applied ? 1 : 0);
        QCOMPARE(port.screenLook.lineSpacing, spacing);
        QCOMPARE(port.screenLook.fontSize, 14);
        QCOMPARE(form->Edit2->text(), shown);
        QCOMPARE(messages.size(), std::size_t(applied ? 0 : 1));
        QVERIFY(form->isVisible()); // the window, not the dialog, closes it
    }

    void lineSpacingKeysAndSpinButtons()
    {
        FakeSessionPort port;
        port.screenLook.lineSpacing = 0;
        auto form = FontForm();
        form->LoadFromSession(port);
        form->Edit2->clear();
        QTest::keyClicks(form->Edit2, QStringLiteral("1a-2 "));
        QCOMPARE(form->Edit2->text(), QStringLiteral("12"));
        QTest::keyClick(form->Edit2, Qt::Key_Backspace);
        QCOMPARE(form->Edit2->text(), QStringLiteral("1"));
        QTest::mouseClick(form->UpDown1Up, Qt::LeftButton);
        QCOMPARE(form->Edit2->text(), QStringLiteral("2"));
        for (int i = 0; i < 4; ++i)
            QTest::mouseClick(form->UpDown1Down, Qt::LeftButton);
        QCOMPARE(form->Edit2->text(), QStringLiteral("0"));
    }

    void longFaceNamesAreCutWhole()
    {
        FakeSessionPort port;
        auto form = FontForm();
        form->LoadFromSession(port);
        nextFont = QFont(QString(120, QLatin1Char('f')));
        nextFont->setPointSize(12);
        form->SpeedButton1Click();
        form->BitBtn1Click();
        QCOMPARE(port.screenLook.fontName, std::string(99, 'f'));
        // A name of exactly 99 bytes is kept whole, and so is a Chinese one.
        form->Edit1->setText(QString(99, QLatin1Char('g')) + QStringLiteral(",13"));
        form->BitBtn1Click();
        QCOMPARE(port.screenLook.fontName, std::string(99, 'g'));
        form->Edit1->setText(QStringLiteral("黑体,13"));
        form->BitBtn1Click();
        QCOMPARE(port.screenLook.fontName, gbk::FromQString(QStringLiteral("黑体")));
    }

    // Code 4 opens the dialog; its confirm ends with code 16, which closes it
    // and draws with the new row height.
    void fontConfirmReachesARealWindow()
    {
        auto form = FontForm();
        SessionDialogs dialogs;
        dialogs.fontDialog = [&](SessionPort &window) { form->LoadFromSession(window); };
        dialogs.closeFontDialog = [&](SessionPort &) { form->hide(); };
        TMDIChild w(nullptr, "", &dialogs);
        w.resize(400, 300);
        w.show();
        w.SessionCommand(session::kFontDialog);
        QVERIFY(form->isVisible());
        form->Edit1->setText(QStringLiteral("DejaVu Sans Mono,20"));
        form->Edit2->setText(QStringLiteral("2"));
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
        QVERIFY(!form->isVisible());
        QCOMPARE(w.look().RowHeight(), 22);
        QCOMPARE(w.look().fontName, std::string("DejaVu Sans Mono"));
    }
};

QTEST_MAIN(LookDialogsUiTest)
#include "LookDialogsUiTest.moc"
