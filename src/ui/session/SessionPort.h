// What a dialog or helper window may ask of a game window. Dialogs hold a
// SessionPortRef, never the window's class: the window implements the port,
// and only the main frame knows both.
#pragma once

#include "core/automation/GroupTable.h"
#include "core/automation/Triggers.h"
#include "core/screen/Palette.h"
#include "core/session/SessionState.h"

#include <memory>
#include <string>

#include <QObject>
#include <QPointer>

namespace session {

class SessionPort
{
public:
    virtual ~SessionPort() = default;

    // An object that is destroyed with the window.
    virtual QObject *lifetime() = 0;

    // Runs a command text in the window's context on a new runner, as a
    // hotkey or a path walk does: not recorded, not in the history.
    virtual void RunCommandText(const std::string &text, bool slowMode = false,
                                int slowDelayMs = 1500) = 0;
    // The paste sender's text: run it and return the view to the newest line.
    virtual void RunPasteText(const std::string &text) = 0;
    // The auxiliary window's sync switch: copy new stored lines to it or stop.
    virtual void SetMirror(bool on) = 0;

    virtual std::shared_ptr<automation::TriggerEngine> triggerEngine() = 0;
    virtual automation::GroupTable &groups() = 0;

    // The collections the editors copy out and hand back whole.
    virtual session::HotkeyLists hotkeys() const = 0;
    virtual void SetHotkeys(session::HotkeyLists lists) = 0;
    virtual session::PathLists paths() const = 0;
    virtual void SetPaths(session::PathLists lists) = 0;
    virtual session::DirectionPairs directions() const = 0;
    virtual void SetDirections(session::DirectionPairs pairs) = 0;

    // Paths: the pause after each line of a path walked slowly.
    virtual int slowWalkDelayMs() const = 0;
    virtual void SetSlowWalkDelayMs(int ms) = 0;
    // Colours and font: the screen's palette and font, read and replaced whole
    // (they show from the next frame); FontApplied is what the font dialog's
    // confirm ends with (redraw with the new row height; the dialog then closes).
    virtual screen::ScreenLook look() const = 0;
    virtual void SetLook(const screen::ScreenLook &look) = 0;
    virtual void FontApplied() = 0;
};

// A dialog's hold on a game window: empty once the window has closed, so a
// dialog left open after its window went writes nowhere.
class SessionPortRef
{
public:
    SessionPortRef() = default;
    SessionPortRef(SessionPort *port) // NOLINT: a port converts to its reference
        : port_(port)
        , alive_(port ? port->lifetime() : nullptr)
    {}

    SessionPort *get() const { return alive_ ? port_ : nullptr; }
    SessionPort *operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
    bool operator==(const SessionPortRef &other) const { return get() == other.get(); }
    bool operator==(const SessionPort *other) const { return get() == other; }

private:
    SessionPort *port_ = nullptr;
    QPointer<QObject> alive_;
};

} // namespace session
