#include "ui/shell/CommandInput.h"

#include "core/shell/KeyName.h"
#include "render/GbkCodec.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace shell {

namespace {

constexpr int kVkUp = 0x26;
constexpr int kVkDown = 0x28;
constexpr int kVkC = 0x43;
constexpr int kVkNumpad3 = 0x63;

bool IsEnter(const QKeyEvent &event)
{
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

} // namespace

CommandInputEdit::CommandInputEdit(Host &host, shell::CommandHistory &history, QWidget *parent)
    : QLineEdit(parent)
    , host_(host)
    , history_(history)
{
    setObjectName(QStringLiteral("CommandInput"));
    // A paste or a key the full line could not take is cut: the frame says so.
    connect(this, &QLineEdit::inputRejected, this, [this] { host_.InputCut(); });
}

bool CommandInputEdit::event(QEvent *event)
{
    // Tab is a key like any other here: it is offered to the hotkeys and the
    // focus stays on the line, which is the only place the player types.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CommandInputEdit::ShowInputHidden()
{
    const EchoMode mode = host_.ActiveInputHidden() ? Password : Normal;
    if (echoMode() != mode)
        setEchoMode(mode);
}

void CommandInputEdit::keyPressEvent(QKeyEvent *event)
{
    // Once the player types, a click means to place the caret again.
    keepSelectionOnClick_ = false;
    if (CommandInputKeyDown(*event) || CommandInputKeyPress(*event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CommandInputEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    // Whatever took the focus away (a tab, the window menu, another window,
    // a dialog), the line comes back with its text selected, so the next key
    // replaces the last command instead of being appended to it. A click in
    // the line itself places the caret right after this, as usual, except
    // for the first click after a window switch (see mousePressEvent).
    selectAll();
}

void CommandInputEdit::mousePressEvent(QMouseEvent *event)
{
    if (keepSelectionOnClick_ && event->button() == Qt::LeftButton) {
        // The click only brings the keyboard back: the line keeps the whole
        // text selected instead of placing the caret after the old command.
        keepSelectionOnClick_ = false;
        selectAll();
        event->accept();
        return;
    }
    keepSelectionOnClick_ = false;
    QLineEdit::mousePressEvent(event);
}

void CommandInputEdit::ShowHistoryStep(const shell::HistoryStep &step)
{
    if (!step.lineText)
        return;
    setText(gbk::ToQString(*step.lineText));
    if (step.consumed)
        selectAll();
}

bool CommandInputEdit::CommandInputKeyDown(const QKeyEvent &event)
{
    if (!host_.HasActiveSession())
        return false;
    const shell::KeyPress press =
        shell::KeyPressFromQt(event.key(), static_cast<std::uint32_t>(event.modifiers().toInt()));
    if (press.keyCode == kVkUp) {
        const shell::HistoryStep step = history_.Up();
        ShowHistoryStep(step);
        return step.consumed;
    }
    if (press.keyCode == kVkDown) {
        const shell::HistoryStep step = history_.Down();
        ShowHistoryStep(step);
        return step.consumed;
    }
    const std::string name = shell::BuildKeyName(press.keyCode, press.shift, press.alt, press.ctrl);
    if (press.ctrl && (press.keyCode == kVkC || press.keyCode == kVkNumpad3)) {
        // Without a screen selection the line's own copy of its selected text
        // is all that happens.
        if (!host_.ActiveSelectionReady())
            return false;
        // The caret goes to the end with nothing selected, so the line's own
        // copy that follows leaves the screen text on the clipboard.
        end(false);
        host_.CopyActiveSelection();
        return false;
    }
    host_.OfferKeyName(name);
    // The screen's own keys, unmodified; the line still gets End for its caret.
    const bool plain = !press.shift && !press.ctrl && !press.alt;
    if (plain && (event.key() == Qt::Key_PageUp || event.key() == Qt::Key_PageDown ||
                  event.key() == Qt::Key_End))
        host_.ScrollActiveScreen(event.key(), name);
    return false;
}

bool CommandInputEdit::CommandInputKeyPress(const QKeyEvent &event)
{
    if (IsEnter(event)) {
        // The hotkey above may have closed the window; it is asked for again.
        if (!host_.HasActiveSession())
            return true;
        const std::string line = gbk::FromQString(text());
        // A hidden line (a password) is never kept for Up to bring back.
        if (!host_.ActiveInputHidden())
            history_.StoreEnteredLine(line);
        host_.SendTypedLine(line);
        return true;
    }
    if (event.key() == Qt::Key_Escape) {
        // A walk into danger stops with one key; with nothing running the
        // key hides the program as always.
        if (!host_.StopActiveRunners())
            host_.HideToTray();
        return true;
    }
    return false;
}

} // namespace shell
