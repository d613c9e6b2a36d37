// The list of known game sites and the SOCKS5 proxy settings: the ini file that
// holds them, and the editing rules of the site dialog, kept free of widgets.
#pragma once

#include "core/session/Encoding.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sites {

// The file name as the program creates it; an existing file whose name differs
// only in letter case is used instead (players carry the file over from systems
// where "Quorvel.INI" and "Quorvel.ini" are the same file).
inline constexpr std::string_view kSiteFileName = "Quorvel.ini";

// Proxy port shown at start and whenever a stored or typed port is unusable.
inline constexpr std::string_view kDefaultProxyPort = "1080";

// What a site without a profile file holds in its profile entry.
inline constexpr std::string_view kNoProfile = " ";

// One set of proxy settings, shared by every connection. Texts are GBK bytes,
// exactly as typed; `password` is plain text here and scrambled only on disk.
struct ProxySettings
{
    bool useProxy = false;
    std::string address;
    std::string port{kDefaultProxyPort};
    bool auth = false;
    std::string user;
    std::string password;

    bool operator==(const ProxySettings &) const = default;
};

// Which proxy controls the dialog enables. All are disabled at start; the two
// check boxes switch them by the rules below (also while the file is read, in
// file order, as each box is set).
struct ProxyEnabling
{
    bool serverFields = false; // proxy address, proxy port, the authentication box
    bool loginFields = false;  // user name and password

    // The use-proxy box was set to `useProxy`; `auth` is the authentication box.
    void UseProxyChanged(bool useProxy, bool auth);
    // The authentication box was set to `auth`.
    void AuthChanged(bool auth);

    bool operator==(const ProxyEnabling &) const = default;
};

// A site's connection settings beyond its address. In the ini file each is a
// line of the site's block, written only when it differs from its default, so
// a file written before they existed is written back byte for byte.
struct SiteOptions
{
    session::Encoding encoding = session::Encoding::kAuto; // "encoding=NAME"
    bool negotiateTelnet = true;                           // "telnet=0" when off

    bool operator==(const SiteOptions &) const = default;
};

// The sites, in file order: entry i of each of the lists belongs to site i.
// All texts are GBK bytes. The lists always have equal length.
class SiteList
{
public:
    std::vector<std::string> siteNames;
    std::vector<std::string> siteAddresses;
    std::vector<std::string> sitePorts;
    std::vector<std::string> siteProfiles; // " " when the site has no profile
    std::vector<bool> siteTls;             // reached over TLS ("tls=1"); off by default
    std::vector<SiteOptions> siteOptions;
    ProxySettings proxy;

    std::size_t size() const { return siteNames.size(); }

    // Index of the first site named exactly `name`, or -1.
    int Find(std::string_view name) const;

    // Appends a site with the given texts, as they are, without TLS.
    void Append(std::string_view name, std::string_view address, std::string_view port,
                std::string_view profile, const SiteOptions &options = {});

    // The "确定" rule: the fields are trimmed; the first site with the trimmed
    // name gets the new address and port and keeps its profile, otherwise a new
    // site is appended with profile " ". The name may be empty. The site takes
    // `options` when given; otherwise an existing site keeps its own. Returns
    // the site's index.
    int Confirm(std::string_view name, std::string_view address, std::string_view port,
                std::optional<SiteOptions> options = std::nullopt);

    // Removes site `index` from the lists; false when there is no such site.
    bool Delete(int index);

    // After a window opened from a site saved or loaded its profile: the first
    // site named exactly `name` gets `profile`. Returns its index, or -1.
    int SetProfile(std::string_view name, std::string_view profile);

    bool operator==(const SiteList &) const = default;
};

// Each password byte b becomes NOT(b AND 0xAA), NOT(b AND 0x55): twice as long,
// never a zero byte, not readable at a glance (and not protected either).
std::string ScramblePassword(std::string_view password);
// Each pair (x, y) gives NOT(x) + NOT(y). A stored value of odd length was not
// written by us; its unpaired last byte is ignored.
std::string UnscramblePassword(std::string_view stored);

// True when `text` holds a CR or an LF byte. Such a value would begin a new
// line in the ini file, which the reader would then take as a key of its own
// (a pasted "\nProxy=1" would switch the proxy on).
bool HasLineBreak(std::string_view text);
// True when any site text or proxy text of `list` holds a line break; the
// password is left out, since it is written scrambled.
bool HasLineBreak(const SiteList &list);

// Reads the ini text. Lines are recognised by the key they begin with, whatever
// section they are in; values are everything after the "=", untrimmed. The
// option lines ("encoding=", "telnet=") belong to the site named last; an
// encoding name not known leaves the site on 自动. When
// `enabling` is given, the check-box rules are applied to it as each box is set.
SiteList ParseSiteFile(std::string_view text, ProxyEnabling *enabling = nullptr);

// The ini text for `list`: GBK bytes, every line ended by CR LF.
std::string FormatSiteFile(const SiteList &list);

// The ini file inside `dir`: an existing regular file named "Quorvel.ini" in any
// letter case (the exact spelling wins when there are several), otherwise
// `dir`/"Quorvel.ini", which writing then creates.
std::filesystem::path SiteFilePath(const std::filesystem::path &dir);

// Reads the ini file of `dir`. A missing or unreadable file gives an empty list
// with default proxy settings; this is not reported.
SiteList ReadSiteFile(const std::filesystem::path &dir, ProxyEnabling *enabling = nullptr);

// Writes the ini file of `dir`. False when it could not be written; the caller
// shows "无法保存Quorvel.INI文件！". The file is replaced as a whole, so a
// failed write leaves the previous file intact. A list holding a line break in
// any value is refused: false, and nothing is written (callers check first,
// with HasLineBreak, to tell the player what is wrong).
bool WriteSiteFile(const std::filesystem::path &dir, const SiteList &list);

// A port typed into the dialog: a decimal integer from 1 to 65535, nothing
// else. Ports outside that range are refused like text that is not a number,
// since no connection could be made to them.
std::optional<int> ParsePort(std::string_view text);

// What keeps "确定" from storing a site, in the order the dialog looks:
// either port (the proxy port also with the proxy off) not a port once
// trimmed; a name or an address blank once trimmed (a site without a name
// cannot be told apart in the list, one without an address cannot be
// connected to); a line break in any of the site's or proxy's fields.
enum class SiteFieldsFault {
    None,
    BadPort,
    MissingNameOrAddress,
    LineBreak,
};
SiteFieldsFault CheckSiteFields(std::string_view name, std::string_view address,
                                std::string_view port, const ProxySettings &proxy);

// The address-follows-name rule: when the name field is a beginning of the new
// address text, or the address a beginning of the name (an empty name counts),
// the name becomes a copy of the address; otherwise it stays. Returns the new
// name field.
std::string NameAfterAddressChange(std::string_view name, std::string_view address);

// The port field's key filter: printable ASCII other than the digits is
// swallowed; control characters, the space and non-ASCII input pass.
bool PortKeyPasses(char32_t ch);

} // namespace sites
