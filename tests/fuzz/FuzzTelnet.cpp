// The telnet part of the receive road: negotiation and MCCP2 inflation. Fed
// whole or cut where the input says, with any step size, it must give the same
// text, replies and events; no step gives more than its share of text, the
// text stays within zlib's expansion of what came in, and the steps end.
#include "FuzzInput.h"
#include "core/session/TelnetReceiver.h"

#include <string>
#include <vector>
#include <zlib.h>

namespace {

struct Outcome
{
    std::string text;
    std::string replies;
    std::string events;
    bool broken = false;
    bool operator==(const Outcome &) const = default;
};

Outcome Run(const session::TelnetReceiver::Settings &settings, std::string_view wire,
            const std::vector<std::size_t> &cuts, std::size_t maxText)
{
    session::TelnetReceiver r(settings);
    Outcome o;
    std::size_t steps = 0, fed = 0, feeds = 0, charsets = 0;
    auto feed = [&](std::string_view piece) {
        r.Feed(piece);
        fed += piece.size();
        ++feeds;
        bool more = true;
        while (more) {
            session::TelnetOutput out;
            more = r.Step(out, maxText);
            fuzz::Check(out.text.size() <= maxText, "a step gave more than its share");
            for (const auto &e : out.events) {
                o.events += std::to_string(static_cast<int>(e.kind)) + e.charset + ";";
                charsets += e.kind == session::TelnetEventKind::CharsetAccepted;
            }
            // Each step but a read's last fills its share with bytes taken
            // or inflated (zlib inflates a byte into at most about 1032), or
            // ends at an accepted charset, so the caller can switch there.
            fuzz::Check(++steps <= feeds + 1 + charsets + (1100 * fed) / maxText,
                        "steps that do nothing");
            o.text += out.text;
            o.replies += out.replies;
        }
    };
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        if (cut <= at || cut >= wire.size())
            continue;
        feed(wire.substr(at, cut - at));
        at = cut;
    }
    feed(wire.substr(at));
    // zlib cannot expand a byte into more than about a thousand.
    fuzz::Check(o.text.size() <= 1100 * wire.size() + 64, "text beyond any expansion");
    o.broken = r.broken();
    return o;
}

std::string Deflate(std::string_view plain)
{
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef *>(out.data()), &size,
                  reinterpret_cast<const Bytef *>(plain.data()), static_cast<uLong>(plain.size()),
                  6) != Z_OK)
        return {};
    out.resize(size);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input in(data, size);
    const std::uint8_t flags = in.Byte();
    session::TelnetReceiver::Settings settings;
    settings.negotiate = !(flags & 1);
    static const char *const kEncodings[] = {"", "GBK", "UTF-8", "BIG5"};
    settings.encoding = kEncodings[(flags >> 1) & 3];
    const std::size_t maxText = 1 + in.Byte() * 16u;
    std::vector<std::size_t> cuts;
    for (int n = in.Byte() % 8; n > 0; --n)
        cuts.push_back(in.Byte() * 4u + in.Byte());

    std::string wire;
    if (flags & 8) {
        // A compressed session around the input's own telnet: plain, start,
        // the compressed middle (corrupted where the input says), plain again.
        const std::string_view before = in.Piece('\x00');
        const std::string_view middle = in.Piece('\x00');
        const std::string corruptAt(1, static_cast<char>(in.Byte()));
        wire = std::string(before) + "\xFF\xFB\x56" + "\xFF\xFA\x56\xFF\xF0";
        std::string packed = Deflate(middle);
        if ((flags & 16) && !packed.empty())
            packed[static_cast<unsigned char>(corruptAt[0]) % packed.size()] ^= 0x5A;
        wire += packed;
        wire += in.Rest();
    } else {
        wire = std::string(in.Rest());
    }

    const Outcome whole = Run(settings, wire, {}, SIZE_MAX / 2);
    const Outcome split = Run(settings, wire, cuts, maxText);
    fuzz::Check(whole == split, "cut reads or small steps changed the outcome");
    return 0;
}
