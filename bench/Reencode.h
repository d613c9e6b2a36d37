// The benchmarks' GBK text as a server in another encoding would send it,
// converted with iconv. A character the target lacks (Big5 has no simplified
// forms) is left out and counted; the GBK text that is left can be kept too,
// so a measurement can compare both encodings carrying the same characters.
#pragma once

#include "core/session/Iconv.h"
#include "core/text/GbkText.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace bench {

class Reencoder
{
public:
    // `to`: an iconv name.
    explicit Reencoder(const char *to)
        : cd_(to, "GB18030")
    {}

    // `gbk` in the target encoding; what of it the target carries is
    // appended to `kept` when given.
    std::string operator()(std::string_view gbk, std::string *kept = nullptr)
    {
        std::string wire;
        std::size_t pos = 0;
        while (pos < gbk.size()) {
            const session::Iconv::Result r = cd_.Convert(gbk.substr(pos), wire);
            if (kept)
                kept->append(gbk.substr(pos, r.taken));
            pos += r.taken;
            if (r.stop == session::Iconv::Stop::kEnd || !cd_.valid())
                break;
            ++dropped_;
            pos += gbk::CharLength(gbk, pos);
        }
        return wire;
    }

    // Characters left out so far.
    std::size_t dropped() const { return dropped_; }

private:
    session::Iconv cd_;
    std::size_t dropped_ = 0;
};

} // namespace bench
