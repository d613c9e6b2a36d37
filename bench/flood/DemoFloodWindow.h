// One game window on the demo server for the flood comparisons: connected as
// a player would (a name typed at the prompt), it takes "flood N" and reports
// the client's CPU time for it (every thread: socket, telnet, decryption,
// screen) and the bytes that came over the socket.
#pragma once

#include "FloodSupport.h"
#include "ui/session/GameConnection.h"
#include "ui/session/GameWindow.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <QLineEdit>

namespace bench {

struct DemoFloodWindow
{
    QLineEdit input;
    std::unique_ptr<session::TMDIChild> w;
    double megabytes = 0; // over the socket during the last flood
    qint64 items = 0;     // game text reads of the last flood

    DemoFloodWindow(const session::ConnectSettings &settings, const sites::SiteOptions &options,
                    const QString &pins = {})
        : w(std::make_unique<session::TMDIChild>(nullptr, "", nullptr))
    {
        w->BindToFrame({&input, 0, nullptr, "", ""});
        w->resize(1280, 800);
        w->show();
        if (!pins.isEmpty())
            w->connection().SetPinFile(pins);
        w->Connect(settings, options);
        WaitUntil([&] { return w->nameCaptureStage() == 1; }, 10000);
        w->SendTypedLine("bench");
        WaitUntil([&] { return w->screen().StoreSize() > 10; }, 10000);
    }
    bool ok() const { return w->connection().IsOpen(); }

    // CPU seconds for a flood of `lines`, from the command to its last line decoded.
    double Flood(int lines)
    {
        const std::uint64_t target = w->screen().LinesDecoded() + std::uint64_t(lines);
        qint64 bytes = 0;
        items = 0;
        const QMetaObject::Connection counting = QObject::connect(
            &w->connection(), &session::GameConnection::gameText, [&](const QByteArray &in) {
                bytes += in.size();
                ++items;
            });
        const double before = CpuSeconds();
        w->SendTypedLine("flood " + std::to_string(lines));
        WaitUntil([&] { return w->screen().LinesDecoded() >= target; }, 600000);
        const double cpu = CpuSeconds() - before;
        QObject::disconnect(counting);
        megabytes = double(bytes) / 1e6;
        // The prompt after the flood, then quiet, before the next one starts.
        WaitUntil([] { return false; }, 200);
        return cpu;
    }
};

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace bench
