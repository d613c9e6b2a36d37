// The site list file: whatever text is read, writing it out and reading that
// back gives the same list and the same text again; a list built from any
// values without line breaks survives writing and reading unchanged; the
// password scrambling undoes itself and never writes a line break.
#include "FuzzInput.h"
#include "core/sites/SiteFile.h"

#include <string>

using namespace sites;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 16384)
        return 0;
    const std::string_view raw(reinterpret_cast<const char *>(data), size);

    // Any text read, then written, then read again.
    const SiteList first = ParseSiteFile(raw);
    fuzz::Check(!HasLineBreak(first), "a value read holds a line break");
    const std::string written = FormatSiteFile(first);
    const SiteList second = ParseSiteFile(written);
    fuzz::Check(second == first, "write then read changed the list");
    fuzz::Check(FormatSiteFile(second) == written, "second write differs");

    // A list made of the input's pieces.
    fuzz::Input in(data, size);
    SiteList list;
    const int sites = in.Byte() % 5;
    for (int i = 0; i < sites; ++i) {
        const std::string_view name = in.Piece('\x01');
        const std::string_view address = in.Piece('\x01');
        const std::string_view port = in.Piece('\x01');
        const std::string_view profile = in.Piece('\x01');
        list.Append(name, address, port, profile);
        list.siteTls.back() = in.Bool();
    }
    list.proxy.useProxy = in.Bool();
    list.proxy.auth = in.Bool();
    list.proxy.address = in.Piece('\x01');
    list.proxy.port = std::to_string(in.Byte() * 300);
    list.proxy.user = in.Piece('\x01');
    list.proxy.password = in.Piece('\x01');
    if (!HasLineBreak(list)) {
        const SiteList back = ParseSiteFile(FormatSiteFile(list));
        fuzz::Check(back == list, "a list without line breaks did not survive");
    }

    // Scrambling, both ways.
    const std::string scrambled = ScramblePassword(raw);
    fuzz::Check(scrambled.size() == 2 * raw.size(), "scrambled length");
    fuzz::Check(!HasLineBreak(scrambled) && scrambled.find('\0') == std::string::npos,
                "scrambled password breaks the line");
    fuzz::Check(UnscramblePassword(scrambled) == raw, "unscrambling undoes scrambling");
    const std::string plain = UnscramblePassword(raw);
    fuzz::Check(plain.size() == raw.size() / 2, "unscrambled length");
    fuzz::Check(UnscramblePassword(ScramblePassword(plain)) == plain, "round trip from stored");
    return 0;
}
