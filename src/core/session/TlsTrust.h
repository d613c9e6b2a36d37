// What an encrypted connection does with the server's certificate, and how a
// failed handshake is told apart from a server that does not speak TLS.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace session {

enum class TrustVerdict {
    Accept,      // trusted by the system for the site's name, or pinned and unchanged
    AskFirstUse, // not trusted and never pinned: the player decides
    AskChanged,  // pinned, and the server now shows another certificate
};

// `systemTrusts`: the certificate chain checked out for the site's host name.
// `pinned`: the fingerprint the player trusted for this host and port before.
// A certificate the system trusts needs no pin: a server that moves to a
// certificate from a trusted authority is not a warning.
TrustVerdict JudgeCertificate(bool systemTrusts, const std::optional<std::string> &pinned,
                              std::string_view presented);

// True when the TLS library's reason for a failed handshake says the peer
// answered with something that is no TLS record at all, as a plain game
// server does with its banner.
bool ReasonSaysNotTls(std::string_view reason);

} // namespace session
