// The SOCKS5 handshake: the proxy's replies may arrive in pieces of any size.
// Fed whole, byte by byte, or cut where the input says, the handshake must
// send the same bytes, hand over the same game text and end the same way.
#include "FuzzInput.h"
#include "core/session/Socks5.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Outcome
{
    std::string sent;
    std::string game;
    session::Socks5Failure failure = session::Socks5Failure::None;
    bool connected = false;
    int stage = 0;
    bool operator==(const Outcome &) const = default;
};

Outcome Run(const session::ConnectSettings &settings, std::string_view replies,
            const std::vector<std::size_t> &cuts)
{
    session::Socks5Handshake handshake(settings);
    Outcome o;
    o.sent = handshake.Greeting();
    std::size_t at = 0;
    auto feed = [&](std::string_view piece) {
        session::Socks5Step step = handshake.Feed(piece);
        o.sent += step.send;
        o.game += step.gameBytes;
        if (step.failure != session::Socks5Failure::None) {
            fuzz::Check(o.failure == session::Socks5Failure::None, "failed twice");
            o.failure = step.failure;
        }
        if (step.connected) {
            fuzz::Check(!o.connected, "connected twice");
            o.connected = true;
        }
    };
    for (std::size_t cut : cuts) {
        if (cut <= at || cut >= replies.size())
            continue;
        feed(replies.substr(at, cut - at));
        at = cut;
    }
    feed(replies.substr(at));
    o.stage = handshake.proxyStage();
    fuzz::Check(handshake.failed() == (o.failure != session::Socks5Failure::None),
                "failed() disagrees with the steps");
    fuzz::Check(handshake.gameStream() == o.connected, "gameStream() disagrees with the steps");
    return o;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 4096)
        return 0;
    fuzz::Input in(data, size);
    session::ConnectSettings settings;
    settings.useProxy = true;
    settings.proxyHost = "127.0.0.1";
    settings.proxyPort = 1080;
    settings.proxyAuth = in.Bool();
    settings.hostAddress = in.Bool() ? "mud.example" : "10.0.0.1";
    settings.hostPort = 4000;
    settings.proxyUser = "user";
    settings.proxyPassword = "pass";
    std::vector<std::size_t> cuts;
    const int count = in.Byte() % 8;
    for (int i = 0; i < count; ++i)
        cuts.push_back(in.Byte());
    std::sort(cuts.begin(), cuts.end());
    const std::string_view replies = in.Rest();

    const Outcome whole = Run(settings, replies, {});
    fuzz::Check(Run(settings, replies, cuts) == whole, "cut replies");
    std::vector<std::size_t> everyByte;
    for (std::size_t k = 1; k < replies.size(); ++k)
        everyByte.push_back(k);
    fuzz::Check(Run(settings, replies, everyByte) == whole, "byte by byte");
    return 0;
}
