// The client's command language: splits a command text into commands, expands
// command groups, brace blocks, repeats and the "#" built-ins, and echoes and
// sends every plain line through a RunnerHost. One object per runner.
#pragma once

#include "core/automation/RunnerHost.h"

#include <string>
#include <string_view>

namespace automation {

class CommandLanguage
{
public:
    // Group expansions nested deeper than this are taken as a group reaching
    // itself again: the runner says so once and goes on with its next command.
    // Brace blocks, repeats and conditionals nested in each other share a
    // second count with the same limit, so no text can run the runner's stack
    // out, however it was built (pasted, a group, a hotkey, a trigger capture).
    static constexpr int kGroupDepthLimit = 50;
    static constexpr int kDefaultSlowDelayMs = 1500;

    explicit CommandLanguage(RunnerHost &host, bool slowMode = false,
                             int slowDelayMs = kDefaultSlowDelayMs);

    // Splits `text` at ";" and line ends (brace blocks stay whole) and runs each
    // command in order.
    void RunText(std::string_view text);
    // Runs one command: a command group, a brace block, a built-in, a repeat or
    // a plain line.
    void RunCommand(std::string_view command);
    // Echoes one plain line to the screen, writes it to the connection, then
    // pauses when slow mode is on. An empty line is not sent.
    void SendLine(std::string_view line);

    // Slow mode belongs to this runner alone ("#SL" / "#FA").
    bool slowMode;
    int slowDelayMs;

private:
    void RunBraceBlock(std::string_view command);
    void RunRepeat(std::string_view command);
    void RunConditional(std::string_view command, bool numeric);
    void ExpandGroup(std::string_view name, const std::string &content);
    // Counts one more brace, repeat or conditional level; at the limit it shows
    // the depth notice, abandons the command and returns false.
    bool EnterNesting(std::string_view command);
    void DepthNotice(std::string_view name);

    RunnerHost &host_;
    int groupDepth_ = 0;     // group expansions now active
    int nestingDepth_ = 0;   // brace blocks, repeats and conditionals now active
    int commandNesting_ = 0; // RunCommand calls now active
    // Set when the depth limit is hit: everything up to the outermost command
    // unwinds without running more, then the runner goes on.
    bool abandonCommand_ = false;
};

} // namespace automation
