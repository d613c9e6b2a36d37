#include "core/session/TelnetCharset.h"

#include "core/text/GbkText.h"

#include <array>

namespace session {

std::string CanonicalCharset(std::string_view name)
{
    struct Alias
    {
        std::string_view name, canonical;
    };
    // clang-format off
    static constexpr std::array<Alias, 8> kAliases = {{
        {"UTF-8", "UTF-8"}, {"UTF8", "UTF-8"},
        {"GBK", "GBK"}, {"CP936", "GBK"},
        {"GB18030", "GB18030"},
        {"BIG5", "BIG5"}, {"BIG-5", "BIG5"}, {"CP950", "BIG5"},
    }};
    // clang-format on
    const std::string upper = gbk::UpperAscii(name);
    for (const Alias &a : kAliases)
        if (upper == a.name)
            return std::string(a.canonical);
    return {};
}

CharsetChoice ChooseCharset(std::string_view request, std::string_view siteEncoding)
{
    static constexpr std::string_view kTtable = "[TTABLE]";
    if (request.substr(0, kTtable.size()) == kTtable)
        request.remove_prefix(std::min(request.size(), kTtable.size() + 1));
    CharsetChoice choice;
    if (request.size() < 2)
        return choice;
    const char separator = request.front();
    request.remove_prefix(1);
    const std::string site = CanonicalCharset(siteEncoding);
    const bool automatic = siteEncoding.empty();
    while (!request.empty()) {
        const std::size_t end = request.find(separator);
        const std::string_view name = request.substr(0, end);
        request.remove_prefix(end == std::string_view::npos ? request.size() : end + 1);
        const std::string canonical = CanonicalCharset(name);
        if (!canonical.empty() && (automatic || canonical == site)) {
            choice.accepted = true;
            choice.offered = std::string(name);
            choice.canonical = canonical;
            return choice;
        }
    }
    return choice;
}

} // namespace session
