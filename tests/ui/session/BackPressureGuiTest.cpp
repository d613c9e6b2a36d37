// Back-pressure end to end: a server writes as fast as the kernel takes its
// bytes, the window's screen thread is slowed down, and the screen queue still
// stays within its bound while every byte arrives in order.
#include "render/ScreenThread.h"
#include "support/QtWait.h"
#include "ui/session/GameConnection.h"
#include "ui/session/GameWindow.h"

#include <arpa/inet.h>
#include <cstring>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>

using session::TMDIChild;

using testsupport::WaitFor;

namespace {

// Runs the event loop itself, as the application does, until `done` holds:
// the socket is served the moment it is readable.
bool RunUntil(const std::function<bool()> &done, int ms)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    check.start(5);
    loop.exec();
    return done();
}

// Numbered lines of a fixed width, so the stream's size and last line are known.
std::string Line(std::uint64_t n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "line %010llu\r\n", static_cast<unsigned long long>(n));
    return buf;
}

// A blocking server on its own thread: accepts one client, writes `lines`
// numbered lines in large blocks as fast as the socket takes them, then closes.
class FloodServer
{
public:
    explicit FloodServer(std::uint64_t lines)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(listener_, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        ::listen(listener_, 1);
        socklen_t len = sizeof addr;
        ::getsockname(listener_, reinterpret_cast<sockaddr *>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this, lines] {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                return;
            std::string block;
            for (std::uint64_t n = 0; n < lines;) {
                block.clear();
                while (block.size() < 256 * 1024 && n < lines)
                    block += Line(n++);
                for (std::size_t sent = 0; sent < block.size();) {
                    const ssize_t k =
                        ::send(client, block.data() + sent, block.size() - sent, MSG_NOSIGNAL);
                    if (k <= 0) {
                        ::close(client);
                        return;
                    }
                    sent += static_cast<std::size_t>(k);
                    written_ += static_cast<std::uint64_t>(k);
                }
            }
            ::close(client);
        });
    }
    ~FloodServer()
    {
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    quint16 port() const { return port_; }
    std::uint64_t written() const { return written_.load(); }

private:
    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<std::uint64_t> written_{0};
    std::thread thread_;
};

} // namespace

TEST(BackPressure, FloodStaysWithinTheQueueBoundAndEveryByteArrives)
{
    const std::uint64_t lines = (50u << 20) / Line(0).size(); // about 50 MB
    const std::uint64_t bytes = lines * Line(0).size();
    FloodServer server(lines);
    TMDIChild w(nullptr, "", nullptr);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.resize(400, 200);
    w.show();
    // The screen falls behind the socket: a pause after every slice.
    w.screen().SetSliceDelay(std::chrono::microseconds(500));
    w.Connect({"127.0.0.1", server.port(), false, "", 0, false, "", ""});
    ASSERT_TRUE(RunUntil([&] { return w.screen().LinesDecoded() == lines; }, 120000));
    EXPECT_EQ(w.screen().BytesDecoded(), bytes);
    EXPECT_EQ(server.written(), bytes);
    // The queue's running count came down by exactly what was decoded.
    EXPECT_EQ(w.screen().QueuedBytes(), 0u);
    // The flood reached the bound, and went past it by one read at most: the
    // socket's read buffer is 256 KiB.
    EXPECT_GT(w.screen().MaxQueuedBytes(), screen::DrawSence::kQueueBound);
    // The newest lines, in order.
    const auto stored = w.screen().StoreSnapshot();
    ASSERT_FALSE(stored.empty());
    for (std::size_t i = 0; i < stored.size(); ++i)
        ASSERT_EQ(stored[i].text, Line(lines - stored.size() + i));
    // Once drained, the decoder's buffers are small again.
    EXPECT_TRUE(WaitFor([&] { return w.screen().DecoderCapacity() <= 512 * 1024; }));
    // ...and once the screen is quiet, what the burst freed goes back to the system.
    EXPECT_TRUE(WaitFor([&] { return w.screen().MemoryReturns() > 0; }));
}

// A runner's echoes count toward the same bound: one 10 MB line (a hotkey's
// text) and 10 MB of ordinary commands reach a slow screen no faster than it
// decodes them, and every byte of the echoes is still shown.
TEST(BackPressure, RunnerEchoesWaitForTheScreenAndStayWithinTheBound)
{
    TMDIChild w(nullptr, "", nullptr);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.resize(400, 200);
    w.show();
    w.screen().SetSliceDelay(std::chrono::microseconds(300));
    const std::size_t echoHead = automation::kEchoPrefix.size();
    std::string commands;
    while (commands.size() < (10u << 20))
        commands += std::string(999, 'c') + ";";
    commands.pop_back();
    const std::size_t count = commands.size() / 1000 + 1;
    const std::uint64_t expected[] = {echoHead + (10u << 20) + 1, count * (echoHead + 1000)};
    const std::string texts[] = {std::string(10u << 20, 'a'), commands};
    std::uint64_t total = 0;
    for (int k = 0; k < 2; ++k) {
        w.RunCommandText(texts[k], false, 0);
        total += expected[k];
        ASSERT_TRUE(WaitFor([&] { return w.screen().BytesDecoded() == total; }, 120000)) << k;
        EXPECT_LE(w.screen().MaxQueuedBytes(), screen::DrawSence::kQueueBound) << k;
    }
}

// A runner waiting for room stops at once when the window's runners are
// stopped: the rest of its text is never queued.
TEST(BackPressure, StoppedRunnerGivesUpItsWaitForRoom)
{
    TMDIChild w(nullptr, "", nullptr);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.resize(400, 200);
    w.show();
    w.screen().SetSliceDelay(std::chrono::milliseconds(20)); // 10 MB would take 3 s
    w.RunCommandText(std::string(10u << 20, 'a'), false, 0);
    ASSERT_TRUE(WaitFor([&] { return w.runningCommands() == 1 && w.screen().QueuedBytes() > 0; }));
    w.StopRunners();
    ASSERT_TRUE(WaitFor([&] { return w.runningCommands() == 0; }));
    ASSERT_TRUE(WaitFor([&] { return w.screen().QueuedBytes() == 0; }, 30000));
    EXPECT_LT(w.screen().BytesDecoded(), 4u << 20);
}
