#include "core/session/TlsTrust.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace session {

TrustVerdict JudgeCertificate(bool systemTrusts, const std::optional<std::string> &pinned,
                              std::string_view presented)
{
    if (systemTrusts)
        return TrustVerdict::Accept;
    if (!pinned)
        return TrustVerdict::AskFirstUse;
    return *pinned == presented ? TrustVerdict::Accept : TrustVerdict::AskChanged;
}

bool ReasonSaysNotTls(std::string_view reason)
{
    // The OpenSSL reasons for a first record that is not TLS: text where the
    // record header should be gives a version or a length no TLS peer sends.
    static constexpr std::array<std::string_view, 4> kNotTls = {
        "wrong version number",
        "packet length too long",
        "unknown protocol",
        "record layer failure",
    };
    std::string lower(reason);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::any_of(kNotTls.begin(), kNotTls.end(), [&](std::string_view phrase) {
        return lower.find(phrase) != std::string::npos;
    });
}

} // namespace session
