#include "core/session/CertificatePins.h"

#include "core/text/GbkText.h"

#include <algorithm>

namespace session {

namespace {

constexpr std::size_t kDigestBytes = 32;

unsigned char LowerAscii(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool SameHost(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(static_cast<unsigned char>(x)) ==
                      LowerAscii(static_cast<unsigned char>(y));
           });
}

// A host the file can hold on one line, ahead of the port and the blank that
// ends it. GBK second bytes are 0x40 and above, so a double-byte name is never
// cut by this test.
bool WritableHost(std::string_view host)
{
    return !host.empty() && std::none_of(host.begin(), host.end(), [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F;
    });
}

bool ValidPort(std::int32_t port)
{
    return port >= 1 && port <= 65535;
}

bool IsUpperHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

} // namespace

std::optional<std::string> PinList::Lookup(std::string_view host, std::int32_t port) const
{
    for (const CertificatePin &pin : pins)
        if (pin.port == port && SameHost(pin.host, host))
            return pin.fingerprint;
    return std::nullopt;
}

bool PinList::Replace(std::string_view host, std::int32_t port, std::string_view fingerprint)
{
    if (!WritableHost(host) || !ValidPort(port) || !IsFingerprint(fingerprint))
        return false;
    for (CertificatePin &pin : pins) {
        if (pin.port == port && SameHost(pin.host, host)) {
            pin.host = host;
            pin.fingerprint = fingerprint;
            return true;
        }
    }
    pins.push_back({std::string(host), port, std::string(fingerprint)});
    return true;
}

std::string FormatFingerprint(std::string_view digest)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(digest.size() * 3);
    for (unsigned char b : digest) {
        if (!out.empty())
            out += ':';
        out += kHex[b >> 4];
        out += kHex[b & 0x0F];
    }
    return out;
}

bool IsFingerprint(std::string_view text)
{
    if (text.size() != kDigestBytes * 3 - 1)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool colonPlace = i % 3 == 2;
        if (colonPlace ? text[i] != ':' : !IsUpperHexDigit(text[i]))
            return false;
    }
    return true;
}

PinList ParsePinFile(std::string_view text)
{
    PinList list;
    for (const std::string &lineText : gbk::SplitLines(text)) {
        const std::string_view line = lineText;
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos)
            continue;
        const std::string_view place = line.substr(0, blank);
        const std::string_view fingerprint = line.substr(blank + 1);
        const std::size_t colon = place.rfind(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view host = place.substr(0, colon);
        const std::optional<std::int32_t> port = gbk::ToInt(place.substr(colon + 1));
        // The first pin for a place is the one kept, as Lookup would find it.
        if (!port || list.Lookup(host, *port))
            continue;
        list.Replace(host, *port, fingerprint);
    }
    return list;
}

std::string FormatPinFile(const PinList &list)
{
    std::vector<std::string> lines;
    lines.reserve(list.pins.size());
    for (const CertificatePin &pin : list.pins)
        lines.push_back(pin.host + ':' + std::to_string(pin.port) + ' ' + pin.fingerprint);
    return gbk::JoinCrLf(lines);
}

} // namespace session
