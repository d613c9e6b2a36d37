// Memory of ten game windows opened the way a player opens them: through the
// main frame's site dialog, one tab each, so nine sit on hidden tabs and one
// is shown. Each takes a full scrollback of the coloured corpus from a local
// server (its own process). Figures: RSS and PSS of this process.
//
//   quorvel_ten_windows [PORT]
#include "CorpusServer.h"
#include "FloodSupport.h"
#include "MainFrame.h"
#include "render/ScreenThread.h"
#include "ui/session/GameConnection.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenView.h"
#include "ui/sites/SiteDialog.h"

#include <cstdio>
#include <malloc.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {

using bench::Figure;
using bench::Mib;
using bench::WaitUntil;

constexpr int kWindows = 10;
constexpr int kFill = 3600; // past what a store keeps

} // namespace

int main(int argc, char **argv)
{
    const int port = argc > 1 ? std::atoi(argv[1]) : 0;
    std::vector<std::string> corpus = bench::ColouredCorpus(1 << 20);
    bench::CorpusServer server(corpus, port);
    corpus = {};
    malloc_trim(0);
    QApplication app(argc, argv);
    QTemporaryDir dir;

    app::TMainForm::Services services;
    int opened = 0;
    services.runSiteDialog = [&](sites::TBookMark &dialog) {
        dialog.show();
        dialog.getAddress->setText(QStringLiteral("127.0.0.1"));
        dialog.getName->setText(QStringLiteral("road%1").arg(++opened));
        dialog.getPort->setText(QString::number(server.port()));
        dialog.BitBtn1Click();
    };
    auto form = std::make_unique<app::TMainForm>(QFile::encodeName(dir.path()).toStdString(),
                                                 std::move(services));
    form->resize(1960, 1200);
    form->show();
    bench::Settle(300);
    const long rssBefore = bench::RssKb();

    std::vector<session::TMDIChild *> windows;
    for (int i = 0; i < kWindows; ++i) {
        form->OpenGameWindow();
        session::TMDIChild *w = form->ActiveSession();
        if (!w || !WaitUntil([&] { return w->connection().IsOpen(); }, 5000)) {
            std::fprintf(stderr, "window %d did not connect\n", i + 1);
            return 1;
        }
        w->SendTypedLine("fill " + std::to_string(kFill));
        WaitUntil([&] { return w->screen().LinesDecoded() >= kFill; }, 30000);
        windows.push_back(w);
    }
    bench::Settle(1000);
    const long rss = bench::RssKb();
    const long pss = bench::PssKb();
    // Private pages do not depend on what other processes map of the same files.
    const long own = bench::ProcKb("/proc/self/smaps_rollup", "Private_Clean:") +
                     bench::ProcKb("/proc/self/smaps_rollup", "Private_Dirty:");
    std::size_t fewest = SIZE_MAX, most = 0;
    for (session::TMDIChild *w : windows) {
        fewest = std::min(fewest, w->screen().StoreSize());
        most = std::max(most, w->screen().StoreSize());
    }
    const session::ScreenView *view = windows.back()->findChild<session::ScreenView *>();

    std::printf("ten windows through the main frame, nine on hidden tabs, each holding %zu to %zu "
                "coloured lines; the shown view %dx%d\n",
                fewest, most, view->width(), view->height());
    std::printf("  frame alone before the windows: RSS %.1f MiB\n", Mib(rssBefore));
    std::printf("figures against their goals:\n");
    Figure("RSS, 10 windows through the main frame", Mib(rss), "MiB", "<= 60", Mib(rss) <= 60);
    Figure("PSS, 10 windows through the main frame", Mib(pss), "MiB", "", true);
    Figure("private, 10 windows through the main frame", Mib(own), "MiB", "", true);
    std::printf("  (the old figures, quorvel_flood: a bare MDI area, every window maximised)\n");
    form.reset();
    return 0;
}
