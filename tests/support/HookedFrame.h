// A stand-in for the main frame around a game window: each thing the window asks
// of its frame goes to a hook a test fills; an empty hook does nothing (and an
// empty profile hook answers with a cancel).
#pragma once

#include "ui/session/GameWindow.h"

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct HookedFrame : session::SessionFrame
{
    std::function<void(session::SessionPort &, const std::string &text)> openPasteSender;
    std::function<void(session::SessionPort &, const std::string &recorded)> recordedPathEditor;
    std::function<void(const std::vector<std::string> &lines)> appendAuxLines;
    std::function<QString(QWidget *parent, const QString &startDir, bool saving)> profileFileDialog;

    void OpenPasteSender(session::SessionPort &window, const std::string &text) override
    {
        if (openPasteSender)
            openPasteSender(window, text);
    }
    void OpenRecordedPath(session::SessionPort &window, const std::string &recorded) override
    {
        if (recordedPathEditor)
            recordedPathEditor(window, recorded);
    }
    void AppendAuxLines(const std::vector<std::string> &lines) override
    {
        if (appendAuxLines)
            appendAuxLines(lines);
    }
    QString AskProfileFile(QWidget *parent, const QString &startDir, bool saving) override
    {
        return profileFileDialog ? profileFileDialog(parent, startDir, saving) : QString();
    }
};

} // namespace testsupport
