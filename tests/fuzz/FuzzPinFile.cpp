// The pin file: whatever text is read, every pin it yields is one the file can
// hold, writing it out and reading that back gives the same pins and the same
// text again, and a pin replaced from the input's pieces is the one found.
#include "FuzzInput.h"
#include "core/session/CertificatePins.h"

#include <string>

using namespace session;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 16384)
        return 0;
    const std::string_view raw(reinterpret_cast<const char *>(data), size);

    PinList first = ParsePinFile(raw);
    for (const CertificatePin &pin : first.pins) {
        fuzz::Check(IsFingerprint(pin.fingerprint), "a pin read holds no fingerprint");
        fuzz::Check(first.Lookup(pin.host, pin.port) == pin.fingerprint, "a place pinned twice");
    }
    const std::string written = FormatPinFile(first);
    const PinList second = ParsePinFile(written);
    fuzz::Check(second == first, "write then read changed the pins");
    fuzz::Check(FormatPinFile(second) == written, "second write differs");

    // A pin from the input's pieces, and a fingerprint of its bytes.
    fuzz::Input in(data, size);
    const std::string host(in.Piece('\x01'));
    const int port = in.Byte() * 257 + in.Byte();
    const std::string fingerprint = FormatFingerprint(std::string(in.Piece('\x01')).substr(0, 32));
    const std::size_t before = first.pins.size();
    if (first.Replace(host, port, fingerprint)) {
        fuzz::Check(first.Lookup(host, port) == fingerprint, "the replaced pin is not found");
        fuzz::Check(first.pins.size() <= before + 1, "a replace added more than one pin");
        fuzz::Check(ParsePinFile(FormatPinFile(first)) == first, "a replaced pin did not survive");
    } else {
        fuzz::Check(first.pins.size() == before, "a refused replace changed the pins");
    }
    return 0;
}
