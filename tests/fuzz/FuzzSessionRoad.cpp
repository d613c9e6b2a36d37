// The whole receive road: the same bytes read whole, cut where the input says
// and byte by byte must reach the screen queue the same, see the name mark at
// the same byte, leave the same echo state and send the same replies.
#include "FuzzInput.h"
#include "core/session/SessionRoad.h"

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

Outcome Run(std::string_view stream, const std::vector<std::size_t> &cuts)
{
    Outcome o;
    Wire wire;
    wire.into = &o.replies;
    session::SessionRoad road(wire);
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        if (cut <= at || cut >= stream.size())
            continue;
        road.Receive(stream.substr(at, cut - at), o.screen);
        at = cut;
    }
    road.Receive(stream.substr(at), o.screen);
    o.markSeen = road.nameMark().seen();
    o.markScanned = road.nameMark().bytesScanned();
    o.serverEchoes = road.telnet().serverEchoes();
    fuzz::Check(o.screen.size() <= stream.size(), "the road made text out of nothing");
    return o;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input in(data, size);
    std::vector<std::size_t> cuts;
    for (int n = in.Byte() % 16; n > 0; --n)
        cuts.push_back(static_cast<std::size_t>(in.Byte()) * 4 + in.Byte() % 4);
    std::sort(cuts.begin(), cuts.end());
    const std::string_view stream = in.Rest();

    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < stream.size(); ++i)
        everyByte.push_back(i);
    const Outcome whole = Run(stream, {});
    fuzz::Check(Run(stream, cuts) == whole, "cut reads differ from the whole read");
    fuzz::Check(Run(stream, everyByte) == whole, "byte-by-byte reads differ from the whole read");
    return 0;
}
