// The transcoding stage and its send-side mirror. For a chosen encoding, what
// the server sends gives the same text fed whole, byte by byte or cut where
// the input says, and the text is never more than a few times the bytes; on
// 自动 the output stays bounded and ASCII passes untouched. UTF-8 and Big5
// read as iconv reads the whole input, also when it comes twice (the second
// time from the characters the stage keeps). Encoding for the server is
// bounded the same way and counts what it could not carry.
#include "FuzzInput.h"
#include "core/session/SendEncoder.h"
#include "core/session/Transcoder.h"
#include "support/PlainTranscode.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using session::Encoding;

// Four bytes of U+FFFD for each byte that does not decode is the most a byte
// can become; what is held back at the end comes out with a later read.
constexpr std::size_t kMaxGrowth = 4;

std::string Feed(Encoding e, std::string_view bytes, const std::vector<std::size_t> &cuts)
{
    session::Transcoder t(e);
    std::string out;
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        if (cut <= at || cut >= bytes.size())
            continue;
        t.Feed(bytes.substr(at, cut - at), out);
        fuzz::Check(out.size() <= kMaxGrowth * cut, "output beyond bound");
        at = cut;
    }
    t.Feed(bytes.substr(at), out);
    fuzz::Check(out.size() <= kMaxGrowth * bytes.size(), "output beyond bound");
    return out;
}

bool AllAscii(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input in(data, size);
    const Encoding e = session::kEncodings[in.Byte() % std::size(session::kEncodings)];
    std::vector<std::size_t> cuts;
    for (int k = in.Byte() % 8; k > 0; --k)
        cuts.push_back(in.Byte() * 4u + in.Byte() % 4u);
    std::sort(cuts.begin(), cuts.end());
    const std::string_view bytes = in.Rest();

    const std::string whole = Feed(e, bytes, {});
    const std::string cut = Feed(e, bytes, cuts);
    if (e != Encoding::kAuto) {
        fuzz::Check(cut == whole, "cut reads differ from the whole");
        std::vector<std::size_t> every;
        for (std::size_t i = 1; i < bytes.size(); ++i)
            every.push_back(i);
        fuzz::Check(Feed(e, bytes, every) == whole, "byte by byte differs from the whole");
    }
    if (e == Encoding::kUtf8 || e == Encoding::kBig5) {
        // Ended by a line end, so that neither keeps an unfinished tail back
        // (iconv holds some tails that can no longer become a character).
        const char *name = e == Encoding::kUtf8 ? "UTF-8" : session::Iconv::Big5Name();
        const std::string ended = std::string(bytes) + "\n";
        session::Transcoder twice(e);
        std::string out;
        twice.Feed(ended, out);
        fuzz::Check(out == testsupport::PlainTranscode(name, ended),
                    "differs from iconv over the whole input");
        twice.Feed(ended, out);
        fuzz::Check(out == testsupport::PlainTranscode(name, ended + ended),
                    "differs from iconv the second time through");
    }
    if (AllAscii(bytes))
        fuzz::Check(whole == bytes && cut == bytes, "ASCII changed");

    session::SendEncoder encoder(e);
    std::string wire;
    const session::SendEncoder::Result r = encoder.Encode(bytes, wire);
    fuzz::Check(wire.size() <= 2 * bytes.size(), "encoded line beyond bound");
    fuzz::Check((r.unsent == 0) == r.firstUnsent.empty(), "unsent count and character disagree");
    return 0;
}
