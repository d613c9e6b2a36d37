// A game window stand-in for dialog tests: keeps what a dialog asks of it and
// hands out collections the test sets, with a lifetime the test can end.
#pragma once

#include "ui/session/SessionPort.h"

#include <memory>
#include <string>
#include <vector>

#include <QObject>

namespace testsupport {

class FakeSessionPort : public session::SessionPort
{
public:
    struct Run
    {
        std::string text;
        bool slowMode = false;
        int slowDelayMs = 0;
        bool paste = false;
    };

    QObject *lifetime() override { return life_.get(); }
    // The window closes: every SessionPortRef to this port goes empty.
    void Close() { life_.reset(); }

    void RunCommandText(const std::string &text, bool slowMode, int slowDelayMs) override
    {
        runs.push_back({text, slowMode, slowDelayMs, false});
    }
    void RunPasteText(const std::string &text) override { runs.push_back({text, false, 0, true}); }
    void SetMirror(bool on) override { mirror.push_back(on); }
    std::shared_ptr<automation::TriggerEngine> triggerEngine() override { return engine; }
    automation::GroupTable &groups() override { return groupTable; }
    session::HotkeyLists hotkeys() const override { return hotkeyLists; }
    void SetHotkeys(session::HotkeyLists lists) override { hotkeyLists = std::move(lists); }
    session::PathLists paths() const override { return pathLists; }
    void SetPaths(session::PathLists lists) override { pathLists = std::move(lists); }
    session::DirectionPairs directions() const override { return directionPairs; }
    void SetDirections(session::DirectionPairs pairs) override
    {
        directionPairs = std::move(pairs);
    }
    // Paths.
    int slowWalkDelayMs() const override { return slowDelay; }
    void SetSlowWalkDelayMs(int ms) override { slowDelay = ms; }
    // Colours and font.
    screen::ScreenLook look() const override { return screenLook; }
    void SetLook(const screen::ScreenLook &look) override
    {
        screenLook = look;
        ++looksSet;
    }
    void FontApplied() override { ++fontsApplied; }

    std::vector<Run> runs;
    std::vector<bool> mirror;
    std::shared_ptr<automation::TriggerEngine> engine =
        std::make_shared<automation::TriggerEngine>();
    automation::GroupTable groupTable;
    session::HotkeyLists hotkeyLists;
    session::PathLists pathLists;
    session::DirectionPairs directionPairs = session::DirectionPairs::Seeded();
    int slowDelay = 1500;
    screen::ScreenLook screenLook;
    int looksSet = 0;
    int fontsApplied = 0;

private:
    std::unique_ptr<QObject> life_ = std::make_unique<QObject>();
};

} // namespace testsupport
