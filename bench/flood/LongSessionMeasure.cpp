// Memory over a long session and after a burst, in a real game window against
// a local server on 127.0.0.1: (a) a million commands echoed through the
// window, RSS at the start and the end; (b) RSS before a 100 MB burst of
// escape sequences only, at its peak, once it has drained and once the window
// is closed. Each figure is printed beside its goal. Run by `make bench`.
//
//   quorvel_longsession [COMMANDS] [BURST_MB] [SECONDS_FOR_COMMANDS]
#include "FloodSupport.h"
#include "render/ScreenThread.h"
#include "ui/session/GameConnection.h"
#include "ui/session/GameWindow.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

namespace {

using bench::Figure;
using bench::ProcKb;
using bench::Settle;
using bench::WaitUntil;

double RssMib()
{
    return double(ProcKb("/proc/self/status", "VmRSS:")) / 1024.0;
}
double PeakMib()
{
    return double(ProcKb("/proc/self/status", "VmHWM:")) / 1024.0;
}
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A blocking server on its own thread for one client: it first writes
// `burstBytes` of "ESC[m" and a line end, then reads and counts the lines the
// client sends until the client goes.
class LocalServer
{
public:
    explicit LocalServer(std::size_t burstBytes)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        ::listen(listener_, 1);
        socklen_t len = sizeof addr;
        ::getsockname(listener_, reinterpret_cast<sockaddr *>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this, burstBytes] {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                return;
            std::string block;
            while (block.size() < 64 * 1024)
                block += "\x1b[m";
            for (std::size_t sent = 0; sent < burstBytes;) {
                const std::size_t n = std::min(block.size(), burstBytes - sent);
                const ssize_t k = ::send(client, block.data(), n, MSG_NOSIGNAL);
                if (k <= 0)
                    break;
                sent += static_cast<std::size_t>(k);
            }
            ::send(client, "\r\n", 2, MSG_NOSIGNAL);
            char buf[64 * 1024];
            for (;;) {
                const ssize_t k = ::recv(client, buf, sizeof buf, 0);
                if (k <= 0)
                    break;
                for (ssize_t i = 0; i < k; ++i)
                    lines_ += buf[i] == '\n';
            }
            ::close(client);
        });
    }
    ~LocalServer()
    {
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    int port() const { return port_; }
    std::uint64_t lines() const { return lines_.load(); }

private:
    int listener_ = -1;
    int port_ = 0;
    std::atomic<std::uint64_t> lines_{0};
    std::thread thread_;
};

struct Window
{
    QLineEdit input;
    QMdiSubWindow *sub;
    session::TMDIChild *w;

    Window(QMdiArea &area, int port)
        : w(new session::TMDIChild(nullptr, "", nullptr))
    {
        w->BindToFrame({&input, 0, nullptr, "", ""});
        sub = area.addSubWindow(w);
        sub->showMaximized();
        area.setActiveSubWindow(sub);
        w->Connect({"127.0.0.1", port, false, "", 0, false, "", ""});
        WaitUntil([&] { return w->linkActive(); }, 5000);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const long commands = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::size_t burstBytes = std::size_t(argc > 2 ? std::atol(argv[2]) : 100) << 20;
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 300;

    QMdiArea area;
    area.resize(1280, 800);
    area.show();

    // (a) The long session: commands with blanks and colour sequences, as a
    // robot sends them, in texts of a thousand commands each.
    double rssStart = 0, rssEnd = 0, rate = 0;
    long sent = 0;
    std::uint64_t received = 0;
    {
        LocalServer server(0);
        Window win(area, server.port());
        session::TMDIChild &w = *win.w;
        std::string text;
        for (int i = 0; i < 1000; ++i)
            text += "say  hello \x1b[1m\x1b[32mthere\x1b[0m " + std::to_string(i) + ";";
        text.pop_back(); // a last ";" would send an empty line as well
        // A first text, so the store and the buffers have their working size.
        w.RunCommandText(text, false, 0);
        WaitUntil([&] { return w.runningCommands() == 0 && server.lines() >= 1000; }, 60000);
        Settle(300);
        rssStart = RssMib();
        QElapsedTimer clock;
        clock.start();
        while (sent < commands && clock.elapsed() < seconds * 1000) {
            w.RunCommandText(text, false, 0);
            sent += 1000;
            // One runner at a time, as a robot's commands come.
            WaitUntil([&] { return server.lines() >= std::uint64_t(sent) + 1000; }, 60000);
        }
        rate = double(sent) / (double(clock.elapsed()) / 1000.0);
        WaitUntil([&] { return w.runningCommands() == 0 && w.screen().QueuedBytes() == 0; }, 60000);
        Settle(300);
        rssEnd = RssMib();
        received = server.lines() - 1000;
        delete win.sub;
        Settle(100);
    }

    // (b) The burst: escape sequences only, as fast as the socket takes them.
    double before = 0, peak = 0, drained = 0, closed = 0;
    {
        LocalServer server(burstBytes);
        Settle(200);
        before = RssMib();
        ResetPeak();
        Window win(area, server.port());
        session::TMDIChild &w = *win.w;
        const std::uint64_t total = burstBytes + 2;
        WaitUntil([&] { return w.screen().BytesDecoded() >= total; }, 600000);
        // Drained: the screen has been quiet long enough to give memory back.
        WaitUntil([&] { return w.screen().MemoryReturns() > 0; }, 5000);
        Settle(300);
        peak = PeakMib();
        drained = RssMib();
        delete win.sub;
        Settle(300);
        closed = RssMib();
    }

    std::printf("long session: %ld commands echoed through one game window (%.0f commands/s), "
                "%llu received by the server\n",
                sent, rate, static_cast<unsigned long long>(received));
    std::printf("burst: %zu MiB of ESC[m from the server into one game window\n", burstBytes >> 20);
    std::printf("figures against their goals:\n");
    Figure("RSS at the start of the long session", rssStart, "MiB", "", true);
    Figure("RSS at its end", rssEnd, "MiB", "", true);
    Figure("RSS growth over the long session", rssEnd - rssStart, "MiB", "<= 10",
           rssEnd - rssStart <= 10 && received == std::uint64_t(sent));
    Figure("RSS before the burst", before, "MiB", "", true);
    Figure("RSS at the burst's peak", peak, "MiB", "", true);
    Figure("RSS once the burst has drained", drained, "MiB", "", true);
    Figure("RSS after the window closed", closed, "MiB", "", true);
    Figure("RSS after close above before the burst", closed - before, "MiB", "<= 20",
           closed - before <= 20);
    return 0;
}
