// A game window as the road measurements use it: in an MDI area, maximised,
// its screen view sized to a given resolution, connected to a local server
// with a site's options (the encoding on 自动 unless they say otherwise).
#pragma once

#include "FloodSupport.h"
#include "core/sites/SiteFile.h"
#include "ui/session/CoverWatch.h"
#include "ui/session/GameConnection.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenView.h"

#include <cstdint>
#include <string>

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace bench {

struct RoadWindow
{
    QMdiArea area;
    session::CoverWatch covers{area};
    QLineEdit input;
    session::TMDIChild *w; // owned by its subwindow in the area
    session::ScreenView *view = nullptr;

    RoadWindow(int port, QSize viewSize, const sites::SiteOptions &options = {})
        : w(new session::TMDIChild(nullptr, "", nullptr))
    {
        w->BindToFrame({&input, 0, nullptr, "", ""});
        QMdiSubWindow *sub = area.addSubWindow(w);
        covers.Track(sub);
        area.resize(viewSize + QSize(200, 200));
        area.show();
        sub->showMaximized();
        area.setActiveSubWindow(sub);
        view = w->findChild<session::ScreenView *>();
        // Grows the area by what the view lacks until the view has the size.
        for (int i = 0; i < 5 && view->size() != viewSize; ++i) {
            area.resize(area.size() + viewSize - view->size());
            Settle(50);
        }
        w->Connect({"127.0.0.1", port, false, "", 0, false, "", ""}, options);
        WaitUntil([&] { return w->connection().IsOpen(); }, 5000);
    }
    ~RoadWindow()
    {
        for (QMdiSubWindow *sub : area.subWindowList())
            delete sub;
    }

    // Sends `line` to the server as the player would type it.
    void Type(const std::string &line) { w->SendTypedLine(line); }
    // A full scrollback first: the server's first `lines` corpus lines, decoded.
    void FillScrollback(int lines)
    {
        Type("fill " + std::to_string(lines));
        WaitUntil([&] { return w->screen().LinesDecoded() >= std::uint64_t(lines); }, 20000);
    }
};

} // namespace bench
