#include "core/sites/SiteFile.h"

#include "core/text/GbkText.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

namespace sites {

namespace fs = std::filesystem;

void ProxyEnabling::UseProxyChanged(bool useProxy, bool auth)
{
    serverFields = useProxy;
    loginFields = useProxy && auth;
}

void ProxyEnabling::AuthChanged(bool auth)
{
    loginFields = auth;
}

int SiteList::Find(std::string_view name) const
{
    auto it = std::find(siteNames.begin(), siteNames.end(), name);
    return it == siteNames.end() ? -1 : static_cast<int>(it - siteNames.begin());
}

void SiteList::Append(std::string_view name, std::string_view address, std::string_view port,
                      std::string_view profile, const SiteOptions &options)
{
    siteOptions.push_back(options);
    siteNames.emplace_back(name);
    siteAddresses.emplace_back(address);
    sitePorts.emplace_back(port);
    siteProfiles.emplace_back(profile);
    siteTls.push_back(false);
}

int SiteList::Confirm(std::string_view name, std::string_view address, std::string_view port,
                      std::optional<SiteOptions> options)
{
    name = gbk::Trim(name);
    address = gbk::Trim(address);
    port = gbk::Trim(port);
    int index = Find(name);
    if (index >= 0) {
        siteAddresses[index] = address;
        sitePorts[index] = port;
        if (options)
            siteOptions[index] = *options;
        return index;
    }
    Append(name, address, port, kNoProfile, options.value_or(SiteOptions{}));
    return static_cast<int>(size()) - 1;
}

bool SiteList::Delete(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= size())
        return false;
    for (auto *list : {&siteNames, &siteAddresses, &sitePorts, &siteProfiles})
        list->erase(list->begin() + index);
    if (static_cast<std::size_t>(index) < siteTls.size())
        siteTls.erase(siteTls.begin() + index);
    siteOptions.erase(siteOptions.begin() + index);
    return true;
}

int SiteList::SetProfile(std::string_view name, std::string_view profile)
{
    int index = Find(name);
    if (index >= 0)
        siteProfiles[index] = profile;
    return index;
}

std::string ScramblePassword(std::string_view password)
{
    std::string out;
    out.reserve(password.size() * 2);
    for (unsigned char b : password) {
        out += static_cast<char>(~(b & 0xAA));
        out += static_cast<char>(~(b & 0x55));
    }
    return out;
}

std::string UnscramblePassword(std::string_view stored)
{
    std::string out;
    out.reserve(stored.size() / 2);
    for (std::size_t i = 0; i + 1 < stored.size(); i += 2) {
        auto x = static_cast<unsigned char>(stored[i]);
        auto y = static_cast<unsigned char>(stored[i + 1]);
        out += static_cast<char>(static_cast<unsigned char>(~x) + static_cast<unsigned char>(~y));
    }
    return out;
}

namespace {

// The value after `key` when `line` begins with it.
std::optional<std::string_view> ValueOf(std::string_view line, std::string_view key)
{
    if (line.substr(0, key.size()) != key)
        return std::nullopt;
    return line.substr(key.size());
}

bool CheckedFrom(std::string_view value)
{
    auto n = gbk::ToInt(value);
    return n && *n != 0;
}

} // namespace

SiteList ParseSiteFile(std::string_view text, ProxyEnabling *enabling)
{
    SiteList list;
    ProxySettings &proxy = list.proxy;
    for (const std::string &lineText : gbk::SplitLines(text)) {
        std::string_view line = lineText;
        const bool haveSite = list.size() > 0;
        if (auto v = ValueOf(line, "name=")) {
            list.Append(*v, kNoProfile, kNoProfile, kNoProfile);
        } else if (auto v = ValueOf(line, "address=")) {
            if (haveSite)
                list.siteAddresses.back() = *v;
        } else if (auto v = ValueOf(line, "port=")) {
            if (haveSite)
                list.sitePorts.back() = *v;
        } else if (auto v = ValueOf(line, "profile=")) {
            if (haveSite)
                list.siteProfiles.back() = *v;
        } else if (auto v = ValueOf(line, "tls=")) {
            if (haveSite)
                list.siteTls.back() = CheckedFrom(*v);
        } else if (auto v = ValueOf(line, "encoding=")) {
            if (haveSite)
                list.siteOptions.back().encoding =
                    session::EncodingFromName(*v).value_or(session::Encoding::kAuto);
        } else if (auto v = ValueOf(line, "telnet=")) {
            if (haveSite)
                list.siteOptions.back().negotiateTelnet = CheckedFrom(*v);
        } else if (auto v = ValueOf(line, "Proxy=")) {
            proxy.useProxy = CheckedFrom(*v);
            if (enabling)
                enabling->UseProxyChanged(proxy.useProxy, proxy.auth);
        } else if (auto v = ValueOf(line, "ProxyAddress=")) {
            proxy.address = *v;
        } else if (auto v = ValueOf(line, "ProxyPort=")) {
            auto n = gbk::ToInt(*v);
            proxy.port = n ? std::to_string(*n) : std::string(kDefaultProxyPort);
        } else if (auto v = ValueOf(line, "ProxyAuth=")) {
            proxy.auth = CheckedFrom(*v);
            if (enabling)
                enabling->AuthChanged(proxy.auth);
        } else if (auto v = ValueOf(line, "ProxyUser=")) {
            proxy.user = *v;
        } else if (auto v = ValueOf(line, "ProxyPass=")) {
            proxy.password = UnscramblePassword(*v);
        }
    }
    return list;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool HasLineBreak(const SiteList &list)
{
    for (const auto *texts :
         {&list.siteNames, &list.siteAddresses, &list.sitePorts, &list.siteProfiles})
        for (const std::string &text : *texts)
            if (HasLineBreak(text))
                return true;
    const ProxySettings &proxy = list.proxy;
    // The password is written scrambled, and scrambled bytes are never a
    // line break: any password can be stored.
    for (const std::string *text : {&proxy.address, &proxy.port, &proxy.user})
        if (HasLineBreak(*text))
            return true;
    return false;
}

std::string FormatSiteFile(const SiteList &list)
{
    // The lists are kept at equal length; should one fall short, its
    // entries are written as a blank value rather than read past its end.
    auto entry = [](const std::vector<std::string> &v, std::size_t i) -> std::string_view {
        return i < v.size() ? std::string_view(v[i]) : kNoProfile;
    };
    std::vector<std::string> lines;
    lines.reserve(list.size() * 7 + 8);
    lines.emplace_back("[Mud-List]");
    for (std::size_t i = 0; i < list.size(); ++i) {
        lines.push_back("name=" + list.siteNames[i]);
        lines.push_back("address=" + std::string(entry(list.siteAddresses, i)));
        lines.push_back("port=" + std::string(entry(list.sitePorts, i)));
        lines.push_back("profile=" + std::string(entry(list.siteProfiles, i)));
        const SiteOptions options =
            i < list.siteOptions.size() ? list.siteOptions[i] : SiteOptions{};
        if (options.encoding != session::Encoding::kAuto)
            lines.push_back("encoding=" + std::string(session::EncodingName(options.encoding)));
        if (!options.negotiateTelnet)
            lines.emplace_back("telnet=0");
        // Written only when on, so files without TLS sites stay as they were.
        if (i < list.siteTls.size() && list.siteTls[i])
            lines.emplace_back("tls=1");
        lines.emplace_back(" ");
    }
    const ProxySettings &proxy = list.proxy;
    lines.emplace_back("[Proxy]");
    lines.push_back(std::string("Proxy=") + (proxy.useProxy ? "1" : "0"));
    lines.push_back("ProxyAddress=" + proxy.address);
    lines.push_back("ProxyPort=" + proxy.port);
    lines.push_back(std::string("ProxyAuth=") + (proxy.auth ? "1" : "0"));
    lines.push_back("ProxyUser=" + proxy.user);
    lines.push_back("ProxyPass=" + ScramblePassword(proxy.password));
    return gbk::JoinCrLf(lines);
}

namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
           });
}

} // namespace

fs::path SiteFilePath(const fs::path &dir)
{
    std::error_code ec;
    std::vector<std::string> found;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (SameNameIgnoringCase(name, kSiteFileName) && it->is_regular_file(typeError))
            found.push_back(std::move(name));
    }
    if (found.empty())
        return dir / kSiteFileName;
    if (std::find(found.begin(), found.end(), kSiteFileName) != found.end())
        return dir / kSiteFileName;
    // Directory order is arbitrary; pick the same file every time.
    return dir / *std::min_element(found.begin(), found.end());
}

SiteList ReadSiteFile(const fs::path &dir, ProxyEnabling *enabling)
{
    std::ifstream in(SiteFilePath(dir), std::ios::binary);
    if (!in)
        return {};
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return {};
    return ParseSiteFile(content, enabling);
}

namespace {

enum class WriteOutcome { Written, CannotOpen, Failed };

WriteOutcome WriteWhole(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return WriteOutcome::CannotOpen;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return out.fail() ? WriteOutcome::Failed : WriteOutcome::Written;
}

} // namespace

bool WriteSiteFile(const fs::path &dir, const SiteList &list)
{
    if (HasLineBreak(list))
        return false;
    const std::string bytes = FormatSiteFile(list);
    fs::path target = SiteFilePath(dir);
    std::error_code ec;
    // Replace the file the name points at, so a linked ini file stays linked.
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    // Write a sibling and move it over the file: a full disk or a crash while
    // writing must not leave the player with half a site list.
    fs::path temp = target;
    temp.replace_filename("." + target.filename().string() + ".new");
    switch (WriteWhole(temp, bytes)) {
    case WriteOutcome::Written: {
        const auto status = fs::status(target, ec);
        if (!ec && fs::exists(status))
            fs::permissions(temp, status.permissions(), ec);
        fs::rename(temp, target, ec);
        if (!ec)
            return true;
        fs::remove(temp, ec);
        break;
    }
    case WriteOutcome::Failed:
        fs::remove(temp, ec);
        return false;
    case WriteOutcome::CannotOpen:
        // A folder we may not create files in can still hold a writable ini file.
        break;
    }
    return WriteWhole(target, bytes) == WriteOutcome::Written;
}

std::optional<int> ParsePort(std::string_view text)
{
    auto n = gbk::ToInt(text);
    if (!n || *n < 1 || *n > 65535)
        return std::nullopt;
    return *n;
}

SiteFieldsFault CheckSiteFields(std::string_view name, std::string_view address,
                                std::string_view port, const ProxySettings &proxy)
{
    if (!ParsePort(gbk::Trim(port)) || !ParsePort(gbk::Trim(proxy.port)))
        return SiteFieldsFault::BadPort;
    if (gbk::Trim(name).empty() || gbk::Trim(address).empty())
        return SiteFieldsFault::MissingNameOrAddress;
    for (std::string_view field :
         {name, address, port, std::string_view(proxy.address), std::string_view(proxy.port),
          std::string_view(proxy.user), std::string_view(proxy.password)})
        if (HasLineBreak(field))
            return SiteFieldsFault::LineBreak;
    return SiteFieldsFault::None;
}

std::string NameAfterAddressChange(std::string_view name, std::string_view address)
{
    const bool nameBeginsAddress = address.substr(0, name.size()) == name;
    const bool addressBeginsName = name.substr(0, address.size()) == address;
    if (nameBeginsAddress || addressBeginsName)
        return std::string(address);
    return std::string(name);
}

bool PortKeyPasses(char32_t ch)
{
    const bool printableAscii = ch > 0x20 && ch < 0x7F;
    return !printableAscii || (ch >= U'0' && ch <= U'9');
}

} // namespace sites
