// The receive transcoding done the plain way, to compare the stage with:
// iconv over the whole input, one U+FFFD (GB18030 84 31 A4 37) for each byte
// it stops at, and an unfinished character at the very end left out.
#pragma once

#include "core/session/Iconv.h"

#include <string>
#include <string_view>

namespace testsupport {

inline std::string PlainTranscode(const char *from, std::string_view in)
{
    session::Iconv cd("GB18030", from);
    std::string out;
    std::size_t pos = 0;
    while (pos < in.size()) {
        const session::Iconv::Result r = cd.Convert(in.substr(pos), out);
        pos += r.taken;
        if (r.stop == session::Iconv::Stop::kEnd ||
            (r.stop == session::Iconv::Stop::kIncomplete && in.size() - pos < 4))
            break;
        out += "\x84\x31\xA4\x37";
        cd.Flush(out);
        ++pos;
    }
    return out;
}

} // namespace testsupport
