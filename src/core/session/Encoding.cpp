#include "core/session/Encoding.h"

#include <string>

namespace session {

namespace {

std::string Folded(std::string_view s)
{
    std::string out;
    for (char c : s) {
        if (c == '-' || c == '_' || c == ' ')
            continue;
        out += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return out;
}

} // namespace

std::string_view EncodingName(Encoding e)
{
    switch (e) {
    case Encoding::kAuto:
        return "\xD7\xD4\xB6\xAF"; // 自动
    case Encoding::kGbk:
        return "GBK";
    case Encoding::kGb18030:
        return "GB18030";
    case Encoding::kUtf8:
        return "UTF-8";
    case Encoding::kBig5:
        return "Big5";
    }
    return "GBK";
}

std::optional<Encoding> EncodingFromName(std::string_view name)
{
    if (name == EncodingName(Encoding::kAuto))
        return Encoding::kAuto;
    const std::string f = Folded(name);
    if (f == "AUTO")
        return Encoding::kAuto;
    if (f == "GBK" || f == "GB2312" || f == "CP936")
        return Encoding::kGbk;
    if (f == "GB18030")
        return Encoding::kGb18030;
    if (f == "UTF8")
        return Encoding::kUtf8;
    if (f == "BIG5" || f == "BIG5HKSCS")
        return Encoding::kBig5;
    return std::nullopt;
}

std::string EncodingStatusText(Encoding setting, Encoding current)
{
    std::string text(EncodingName(current));
    if (setting == Encoding::kAuto && current != Encoding::kAuto) {
        text += "\xA3\xA8"; // （
        text += EncodingName(Encoding::kAuto);
        text += "\xA3\xA9"; // ）
    }
    return text;
}

} // namespace session
