// The whole receive road, silent or negotiating (with compression): the same
// bytes read whole, cut where the input says and byte by byte must reach the
// screen queue the same, see the name mark at the same byte, leave the same
// echo state and send the same replies; no call gives the screen more than
// its bound, and held-back work always ends.
#include "FuzzInput.h"
#include "core/session/SessionRoad.h"
#include "core/session/TelnetStage.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Outcome
{
    std::string screen;
    std::string replies;
    bool markSeen = false;
    std::size_t markScanned = 0;
    bool serverEchoes = false;
    bool operator==(const Outcome &) const = default;
};

struct Wire : session::ServerWire
{
    std::string *into = nullptr;
    void WriteToServer(std::string_view bytes) override { into->append(bytes); }
};

// What one call may give: the bound, overshot by at most one piece.
constexpr std::size_t kCallBound = session::SessionRoad::kScreenBytesPerCall + 64 * 1024;

void Read(session::SessionRoad &road, std::string_view bytes, std::string &screen)
{
    std::size_t before = screen.size();
    road.Receive(bytes, screen);
    fuzz::Check(screen.size() - before <= kCallBound, "a read gave the screen too much");
    // zlib makes at most about a thousand bytes of one.
    for (std::size_t calls = 0; road.pending(); ++calls) {
        fuzz::Check(calls <= 2 + (1100 * (bytes.size() + 16)) / kCallBound, "held work never ends");
        before = screen.size();
        road.Continue(screen);
        fuzz::Check(screen.size() - before <= kCallBound, "a continue gave the screen too much");
    }
}

Outcome Run(std::string_view stream, const std::vector<std::size_t> &cuts, bool negotiate)
{
    Outcome o;
    Wire wire;
    wire.into = &o.replies;
    session::SessionRoad road(wire);
    road.telnet().Configure(negotiate, {});
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        if (cut <= at || cut >= stream.size())
            continue;
        Read(road, stream.substr(at, cut - at), o.screen);
        at = cut;
    }
    Read(road, stream.substr(at), o.screen);
    o.markSeen = road.nameMark().seen();
    o.markScanned = road.nameMark().bytesScanned();
    o.serverEchoes = road.telnet().serverEchoes();
    if (!negotiate)
        fuzz::Check(o.screen.size() <= stream.size(), "the road made text out of nothing");
    return o;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input in(data, size);
    const bool negotiate = in.Byte() & 1;
    std::vector<std::size_t> cuts;
    for (int n = in.Byte() % 16; n > 0; --n)
        cuts.push_back(static_cast<std::size_t>(in.Byte()) * 4 + in.Byte() % 4);
    std::sort(cuts.begin(), cuts.end());
    const std::string_view stream = in.Rest();

    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < stream.size(); ++i)
        everyByte.push_back(i);
    const Outcome whole = Run(stream, {}, negotiate);
    fuzz::Check(Run(stream, cuts, negotiate) == whole, "cut reads differ from the whole read");
    fuzz::Check(Run(stream, everyByte, negotiate) == whole,
                "byte-by-byte reads differ from the whole read");
    return 0;
}
