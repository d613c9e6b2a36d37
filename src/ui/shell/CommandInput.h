// The command input line at the bottom of the main frame: one line for all game
// windows. It keeps the history, names every other key for the hotkey lookup of
// the active window, copies the screen selection on Ctrl+C, scrolls the active
// screen on Page Up, Page Down and End, and on Escape stops
// the active window's running commands or, with none running, hides the program.
#pragma once

#include "core/shell/History.h"

#include <QLineEdit>

namespace shell {

class CommandInputEdit : public QLineEdit
{
    Q_OBJECT

public:
    // What the line needs of the frame around it.
    class Host
    {
    public:
        virtual ~Host() = default;
        // Whether a game window is active: without one the line is a plain edit.
        virtual bool HasActiveSession() = 0;
        // Enter: the active window sends the typed line.
        virtual void SendTypedLine(const std::string &line) = 0;
        // Any other key: the active window fires its first hotkey of this name.
        virtual void OfferKeyName(const std::string &keyName) = 0;
        // Ctrl+C: whether the active window's screen holds a selection, and
        // the copy of it.
        virtual bool ActiveSelectionReady() = 0;
        virtual void CopyActiveSelection() = 0;
        virtual void HideToTray() = 0;
        // Escape while the active window runs commands (a walk, say): they
        // stop, and true; false when nothing runs, and the program hides.
        virtual bool StopActiveRunners() { return false; }
        // The line was full and cut what was typed or pasted into it.
        virtual void InputCut() {}
        // Hidden input: the active window's server asked that typing is not
        // shown (a password).
        virtual bool ActiveInputHidden() { return false; }
        // Page Up, Page Down or End (`qtKey`, named `keyName`): the active
        // window's screen scrolls, unless a hotkey of that name has the key.
        virtual void ScrollActiveScreen(int /*qtKey*/, const std::string & /*keyName*/) {}
    };

    CommandInputEdit(Host &host, shell::CommandHistory &history, QWidget *parent = nullptr);

    // Hidden input: shows the text as dots while the active window's input is
    // hidden, as plain text otherwise. The frame calls it when that changes.
    void ShowInputHidden();
    // The active window changed: the next click into the line keeps its text
    // selected, as the switch left it, so the next key still replaces the last
    // command; the click after that places the caret as usual.
    void KeepSelectionOnNextClick() { keepSelectionOnClick_ = true; }

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    // The key-down handler; true when the key is consumed.
    bool CommandInputKeyDown(const QKeyEvent &event);
    // The character handler for Enter and Escape; true when consumed.
    bool CommandInputKeyPress(const QKeyEvent &event);
    void ShowHistoryStep(const shell::HistoryStep &step);

    Host &host_;
    shell::CommandHistory &history_;
    bool keepSelectionOnClick_ = false;
};

} // namespace shell
