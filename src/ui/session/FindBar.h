// The find bar of a game window (Ctrl+F): a line for the text to find over
// the scrollback and what the last search found. Enter finds the next match
// up the screen (older text), Shift+Enter the next one down; Escape closes.
// The input line keeps its role: the bar only has the keyboard while the
// player types into it.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace session {

class FindBar : public QWidget
{
    Q_OBJECT

public:
    explicit FindBar(QWidget *parent);

    // Shows the bar with its text selected and the keyboard in it.
    void Open();
    // What the last search found: nothing shows "无匹配".
    void ShowFound(bool found);
    QString text() const;
    QString result() const;

signals:
    void findRequested(const QString &text, bool older);
    void closeRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *findText = nullptr;
    QLabel *findResult = nullptr;
};

} // namespace session
