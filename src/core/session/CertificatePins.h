// The certificates the player chose to trust, one per game server: the pin file
// beside the site list ("trust on first use, then pin"), read and written here,
// its lookups and replacements kept free of sockets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace session {

// The file's name inside the program folder, beside the site list.
inline constexpr std::string_view kPinFileName = "Quorvel.pins";

// One trusted certificate: the site's address as the player typed it (GBK
// bytes), its port, and the SHA-256 fingerprint of the certificate as
// FormatFingerprint writes it.
struct CertificatePin
{
    std::string host;
    std::int32_t port = 0;
    std::string fingerprint;

    bool operator==(const CertificatePin &) const = default;
};

// The pins in file order; at most one per host and port.
class PinList
{
public:
    std::vector<CertificatePin> pins;

    // The fingerprint pinned for `host` on `port`. Host names are compared
    // without regard to ASCII letter case, as the resolver does.
    std::optional<std::string> Lookup(std::string_view host, std::int32_t port) const;

    // Pins `fingerprint` for `host` on `port`, replacing what was pinned there
    // or appending. False (and nothing changed) when the host could not be
    // written as one line of the file: empty, or holding a blank or a control
    // byte; or when the fingerprint is not one.
    bool Replace(std::string_view host, std::int32_t port, std::string_view fingerprint);

    bool operator==(const PinList &) const = default;
};

// Upper-case hexadecimal pairs joined by ":", the way certificate viewers show
// a digest ("3A:0F:…"); 95 characters for a SHA-256 digest of 32 bytes.
std::string FormatFingerprint(std::string_view digest);
// True for a SHA-256 fingerprint exactly as FormatFingerprint writes it.
bool IsFingerprint(std::string_view text);

// One line per pin: "host:port FINGERPRINT". Lines that do not read as a pin
// (a hand-made typo, a port out of range, a second pin for the same place) are
// left out, so a damaged line never pins anything.
PinList ParsePinFile(std::string_view text);
// GBK bytes, every line ended by CR LF.
std::string FormatPinFile(const PinList &list);

} // namespace session
