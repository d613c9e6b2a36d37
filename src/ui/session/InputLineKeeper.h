// Keeps the keyboard on the frame's input line for a game window: the focus the
// window is given, keys that reach it, and the focus and keys of the frame the
// area wraps it in all pass to the line, unless the window's path panel is open
// (then Enter walks the path and the list keeps the keys).
#pragma once

#include <QObject>

class QEvent;
class QLineEdit;
class QWidget;

namespace session {

class InputLineKeeper : public QObject
{
public:
    // Watches `window`; `pathPanel` is the panel whose being open keeps the keys.
    InputLineKeeper(QWidget &window, QWidget &pathPanel);

    void SetInputLine(QLineEdit *line) { line_ = line; }
    // The input line takes the focus, unless the open path panel holds it.
    void GiveKeyboard();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Hands a key to the input line; false without one.
    bool PassKey(QEvent *key);

    QWidget &window_;
    QWidget &pathPanel_;
    QLineEdit *line_ = nullptr;
};

} // namespace session
