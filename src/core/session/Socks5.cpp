#include "core/session/Socks5.h"

#include "core/text/GbkText.h"

#include <utility>

namespace session {

namespace {

// Both length fields of the wire formats are one byte wide.
constexpr std::size_t kMaxFieldLength = 255;

constexpr std::size_t kNeedMore = static_cast<std::size_t>(-1);

void AppendPort(std::string &out, std::int32_t port)
{
    auto low = static_cast<std::uint32_t>(port) & 0xFFFFu;
    out.push_back(static_cast<char>(low >> 8));
    out.push_back(static_cast<char>(low & 0xFFu));
}

// Full length of a CONNECT reply (VER REP RSV ATYP, address, port) at the start of
// `reply`; kNeedMore while the length cannot be told yet, 0 for an unknown ATYP.
std::size_t ConnectReplyLength(std::string_view reply)
{
    if (reply.size() < 4)
        return kNeedMore;
    switch (static_cast<unsigned char>(reply[3])) {
    case 0x01: // IPv4
        return 4 + 4 + 2;
    case 0x04: // IPv6
        return 4 + 16 + 2;
    case 0x03: // domain name with its length byte
        if (reply.size() < 5)
            return kNeedMore;
        return 4 + 1 + static_cast<unsigned char>(reply[4]) + 2;
    default:
        return 0;
    }
}

bool IsValidAddress(std::string_view host)
{
    return HasLetter(host) || ParseDottedIPv4(host).has_value();
}

} // namespace

std::string_view FailureText(Socks5Failure failure)
{
    switch (failure) {
    case Socks5Failure::None:
        return {};
    case Socks5Failure::ConnectRefused:
        return "无法连接到服务器";
    case Socks5Failure::ProxyNeedsAuth:
        return "您的代理服务器需要身份验证！请补充好用户名和密码";
    case Socks5Failure::ProxyRefusedMethod:
    case Socks5Failure::MalformedReply:
        return "您设定的代理服务器可能有误，连接失败！";
    case Socks5Failure::BadCredentials:
        return "您填写的代理服务器用户名和密码有误！连接失败！";
    case Socks5Failure::BadHostAddress:
        return "服务器地址有误，请检查你输入的地址！";
    case Socks5Failure::BadProxyAddress:
        return "代理服务器地址有误，请检查你输入的地址！";
    case Socks5Failure::HostNameTooLong:
        return "服务器地址太长（最多255字节），无法通过代理服务器连接！";
    case Socks5Failure::CredentialsTooLong:
        return "代理服务器用户名或密码太长（最多255字节）！";
    }
    return {};
}

bool HasLetter(std::string_view host)
{
    for (std::size_t i = 0; i < host.size(); i += gbk::CharLength(host, i)) {
        char c = host[i];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
            return true;
    }
    return false;
}

std::optional<std::array<std::uint8_t, 4>> ParseDottedIPv4(std::string_view host)
{
    std::array<std::uint8_t, 4> bytes{};
    std::size_t pos = 0;
    for (std::size_t part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= host.size() || host[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (pos < host.size() && host[pos] >= '0' && host[pos] <= '9' && digits < 4) {
            value = value * 10 + static_cast<unsigned>(host[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255)
            return std::nullopt;
        bytes[part] = static_cast<std::uint8_t>(value);
    }
    if (pos != host.size())
        return std::nullopt;
    return bytes;
}

Socks5Failure CheckSettings(const ConnectSettings &settings)
{
    if (!IsValidAddress(settings.hostAddress))
        return Socks5Failure::BadHostAddress;
    if (!settings.useProxy)
        return Socks5Failure::None;
    if (!IsValidAddress(settings.proxyHost))
        return Socks5Failure::BadProxyAddress;
    // A longer name would be cut by its length byte and the proxy would read
    // the rest as the port.
    if (HasLetter(settings.hostAddress) && settings.hostAddress.size() > kMaxFieldLength)
        return Socks5Failure::HostNameTooLong;
    if (settings.proxyAuth && (settings.proxyUser.size() > kMaxFieldLength ||
                               settings.proxyPassword.size() > kMaxFieldLength))
        return Socks5Failure::CredentialsTooLong;
    return Socks5Failure::None;
}

std::string BuildGreeting(bool proxyAuth)
{
    if (proxyAuth)
        return std::string("\x05\x02\x00\x02", 4);
    return std::string("\x05\x01\x00", 3);
}

std::string BuildCredentials(std::string_view user, std::string_view password)
{
    std::string out;
    out.reserve(user.size() + password.size() + 3);
    out.push_back('\x01');
    out.push_back(static_cast<char>(user.size() & 0xFFu));
    out.append(user.substr(0, kMaxFieldLength));
    out.push_back(static_cast<char>(password.size() & 0xFFu));
    out.append(password.substr(0, kMaxFieldLength));
    return out;
}

std::string BuildConnectRequest(std::string_view hostAddress, std::int32_t hostPort)
{
    std::string out("\x05\x01\x00", 3);
    if (HasLetter(hostAddress)) {
        std::string_view name = hostAddress.substr(0, kMaxFieldLength);
        out.push_back('\x03');
        out.push_back(static_cast<char>(name.size()));
        out.append(name);
    } else {
        // CheckSettings has refused anything that does not parse; zeros only guard.
        auto address = ParseDottedIPv4(hostAddress).value_or(std::array<std::uint8_t, 4>{});
        out.push_back('\x01');
        for (std::uint8_t b : address)
            out.push_back(static_cast<char>(b));
    }
    AppendPort(out, hostPort);
    return out;
}

Socks5Handshake::Socks5Handshake(ConnectSettings settings)
    : settings_(std::move(settings))
{}

std::string Socks5Handshake::Greeting()
{
    proxyStage_ = 0;
    gameStream_ = false;
    failure_ = Socks5Failure::None;
    pending_.clear();
    return BuildGreeting(settings_.proxyAuth);
}

Socks5Step Socks5Handshake::Feed(std::string_view bytes)
{
    Socks5Step step;
    if (gameStream_) {
        step.gameBytes.assign(bytes);
        return step;
    }
    if (failed())
        return step;
    pending_.append(bytes);

    auto fail = [&](Socks5Failure failure) {
        failure_ = failure;
        step.failure = failure;
        pending_.clear();
    };

    // Every reply is at least VER and a status byte; the status decides.
    while (!gameStream_ && !failed() && pending_.size() >= 2) {
        auto r = static_cast<unsigned char>(pending_[1]);
        if (proxyStage_ == 2) {
            // A refusal needs nothing after the status byte, and some proxies
            // close right after it.
            if (r != 0) {
                fail(Socks5Failure::ConnectRefused);
                break;
            }
            std::size_t length = ConnectReplyLength(pending_);
            if (length == 0) {
                fail(Socks5Failure::MalformedReply);
                break;
            }
            if (length == kNeedMore || pending_.size() < length)
                break;
            gameStream_ = true;
            step.connected = true;
            step.gameBytes = pending_.substr(length);
            pending_.clear();
            break;
        }
        pending_.erase(0, 2);
        if (proxyStage_ == 0 && !settings_.proxyAuth) {
            if (r != 0) {
                fail(Socks5Failure::ProxyNeedsAuth);
                break;
            }
            proxyStage_ = 2;
            step.send += BuildConnectRequest(settings_.hostAddress, settings_.hostPort);
        } else if (proxyStage_ == 0) {
            if (r != 2) {
                fail(Socks5Failure::ProxyRefusedMethod);
                break;
            }
            proxyStage_ = 1;
            step.send += BuildCredentials(settings_.proxyUser, settings_.proxyPassword);
        } else {
            if (r != 0) {
                fail(Socks5Failure::BadCredentials);
                break;
            }
            proxyStage_ = 2;
            step.send += BuildConnectRequest(settings_.hostAddress, settings_.hostPort);
        }
    }
    return step;
}

} // namespace session
