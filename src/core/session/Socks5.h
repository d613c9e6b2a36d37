// The client side of a SOCKS5 handshake (username/password method included) as a
// bytes-in/bytes-out state machine, and the checks a game server address must pass.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace session {

// The connection settings of a game window, as the site list hands them over: the
// eight of every connection, then whether the site is reached over TLS. Texts are
// GBK bytes.
struct ConnectSettings
{
    std::string hostAddress;
    std::int32_t hostPort = 0;
    bool useProxy = false;
    std::string proxyHost;
    std::int32_t proxyPort = 0;
    bool proxyAuth = false;
    std::string proxyUser;
    std::string proxyPassword;
    bool tls = false;
};

// Why a connection attempt was given up before game text could flow.
enum class Socks5Failure {
    None,
    ConnectRefused,     // the proxy refused the CONNECT request
    ProxyNeedsAuth,     // no-authentication greeting refused
    ProxyRefusedMethod, // authentication greeting answered with another method than 2
    BadCredentials,     // the proxy refused the user name and password
    MalformedReply,     // a CONNECT reply whose address type is unknown
    BadHostAddress,     // game server address has no letter and is no dotted IPv4 address
    BadProxyAddress,    // the same for the proxy's address
    HostNameTooLong,    // a game server name the CONNECT length byte cannot carry
    CredentialsTooLong, // a user name or password the credentials length bytes cannot carry
};

// The message shown to the player for a failure, as UTF-8 text (empty for None).
std::string_view FailureText(Socks5Failure failure);

// True when the host holds at least one ASCII letter (a character whose lower- and
// upper-case forms differ). Such a host goes to the resolver and to the proxy by
// name; any other host must be a dotted IPv4 address. The second byte of a GBK
// double-byte character is not a letter of its own.
bool HasLetter(std::string_view host);

// "a.b.c.d" with four decimal parts of 1-3 digits, each 0-255, and nothing else.
std::optional<std::array<std::uint8_t, 4>> ParseDottedIPv4(std::string_view host);

// Refusals that need no network: each address must be a name or a dotted IPv4
// address; through a proxy, the game host name and the credentials must fit the
// one-byte length fields. Checked before anything is sent.
Socks5Failure CheckSettings(const ConnectSettings &settings);

// Wire messages (a port is its low 16 bits, most significant byte first).
std::string BuildGreeting(bool proxyAuth);
std::string BuildCredentials(std::string_view user, std::string_view password);
std::string BuildConnectRequest(std::string_view hostAddress, std::int32_t hostPort);

// What one batch of received proxy bytes leads to.
struct Socks5Step
{
    std::string send;                            // to write to the proxy now
    std::string gameBytes;                       // game text received after the CONNECT reply
    Socks5Failure failure = Socks5Failure::None; // set: close the connection and tell the player
    bool connected = false;                      // the proxy confirmed CONNECT in this step
};

class Socks5Handshake
{
public:
    // The settings must have passed CheckSettings.
    explicit Socks5Handshake(ConnectSettings settings);

    // Starts over (proxyStage 0) and returns the greeting to send.
    std::string Greeting();

    // Takes bytes as they arrive, in pieces of any size. A reply is judged only when
    // it is complete; bytes after the CONNECT reply are handed back as game text.
    // Once game text flows, every byte fed is game text.
    Socks5Step Feed(std::string_view bytes);

    // 0: greeting sent; 1: credentials sent; 2: CONNECT request sent.
    int proxyStage() const { return proxyStage_; }
    // The CONNECT request was confirmed: what follows is game text.
    bool gameStream() const { return gameStream_; }
    bool failed() const { return failure_ != Socks5Failure::None; }

private:
    ConnectSettings settings_;
    int proxyStage_ = 0;
    bool gameStream_ = false;
    Socks5Failure failure_ = Socks5Failure::None;
    std::string pending_; // reply bytes received but not yet judged
};

} // namespace session
