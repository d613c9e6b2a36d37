// The font dialog "字体设定" (TFontSetting): a game window's face, size and line
// spacing. One dialog for the program, re-targeted at each opening; "确定"
// checks both fields first and changes nothing unless both are good.
#pragma once

#include "ui/session/SessionPort.h"

#include <functional>
#include <optional>

#include <QDialog>
#include <QFont>

class QLineEdit;
class QPushButton;
class QToolButton;

namespace screen {

class TFontSetting : public QDialog
{
    Q_OBJECT

public:
    explicit TFontSetting(QWidget *parent = nullptr);

    // Code 4: binds the dialog to `window`, fills the fields from its font and shows it.
    void LoadFromSession(session::SessionPort &window);

    // The font chooser, preset from the font field; empty when cancelled. It
    // works in points; the field keeps the screen's cell height in pixels,
    // converted at the screen's resolution. The platform's chooser unless a
    // test puts its own.
    std::function<std::optional<QFont>(QWidget *parent, const QFont &preset)> chooseFont;

    void SpeedButton1Click(); // the chooser
    void UpDown1Click(int step);
    void BitBtn1Click(); // "确定"
    void BitBtn2Click(); // "放弃"

    QLineEdit *Edit1 = nullptr;          // "字体：" face,size; read-only
    QToolButton *SpeedButton1 = nullptr; // opens the chooser
    QLineEdit *Edit2 = nullptr;          // "行间距：" digits only
    QToolButton *UpDown1Up = nullptr;    // the spin buttons of Edit2, minimum 0
    QToolButton *UpDown1Down = nullptr;
    QPushButton *BitBtn1 = nullptr; // "确定"
    QPushButton *BitBtn2 = nullptr; // "放弃"

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    session::SessionPortRef window_;
    QMetaObject::Connection windowGone_;
};

} // namespace screen
