#include "core/session/SendEncoder.h"

#include "core/text/GbkText.h"

namespace session {

SendEncoder::SendEncoder(Encoding target)
{
    SetEncoding(target);
}

void SendEncoder::SetEncoding(Encoding target)
{
    target_ = target == Encoding::kAuto ? Encoding::kGbk : target;
    converter_.reset();
    if (target_ == Encoding::kUtf8)
        converter_ = std::make_unique<Iconv>("UTF-8", "GB18030");
    else if (target_ == Encoding::kBig5)
        converter_ = std::make_unique<Iconv>(Iconv::Big5Name(), "GB18030");
}

SendEncoder::Result SendEncoder::Encode(std::string_view line, std::string &out)
{
    Result result;
    auto refuse = [&](std::string_view ch) {
        if (result.unsent++ == 0)
            result.firstUnsent.assign(ch);
        out += '?';
    };
    if (target_ == Encoding::kGb18030) {
        out.append(line);
        return result;
    }
    if (target_ == Encoding::kGbk) {
        // GBK is GB18030 without its four-byte characters.
        for (std::size_t i = 0; i < line.size();) {
            const std::size_t n = gbk::CharLength(line, i);
            if (n == 4)
                refuse(line.substr(i, n));
            else
                out.append(line.substr(i, n));
            i += n;
        }
        return result;
    }
    std::size_t pos = 0;
    while (pos < line.size()) {
        const Iconv::Result r = converter_->Convert(line.substr(pos), out);
        pos += r.taken;
        if (r.stop == Iconv::Stop::kEnd)
            break;
        const std::size_t n = gbk::CharLength(line, pos);
        refuse(line.substr(pos, n));
        converter_->Flush(out);
        pos += n;
    }
    converter_->Flush(out); // a stateful target may still hold the last character
    return result;
}

} // namespace session
