#include "core/session/Iconv.h"

#include <cerrno>
#include <iconv.h>

namespace session {

Iconv::Iconv(const char *to, const char *from)
    : cd_(reinterpret_cast<Handle>(iconv_open(to, from)))
{}

Iconv::~Iconv()
{
    if (valid())
        iconv_close(reinterpret_cast<iconv_t>(cd_));
}

Iconv::Result Iconv::Convert(std::string_view in, std::string &out)
{
    if (!valid())
        return {0, Stop::kBadByte};
    char *inPtr = const_cast<char *>(in.data()); // iconv's signature; it only reads
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
        const std::size_t start = out.size();
        const std::size_t room = inLeft * 4 + 16; // no target here takes more than 4 per byte
        out.resize(start + room);
        char *outPtr = out.data() + start;
        std::size_t outLeft = room;
        const std::size_t r =
            iconv(reinterpret_cast<iconv_t>(cd_), &inPtr, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out.resize(start + (room - outLeft));
        if (r != static_cast<std::size_t>(-1))
            break;
        if (err == E2BIG)
            continue;
        const std::size_t taken = in.size() - inLeft;
        return {taken, err == EINVAL ? Stop::kIncomplete : Stop::kBadByte};
    }
    return {in.size(), Stop::kEnd};
}

void Iconv::Flush(std::string &out)
{
    if (!valid())
        return;
    char buffer[64];
    char *outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(reinterpret_cast<iconv_t>(cd_), nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
}

const char *Iconv::Big5Name()
{
    static const char *const name = [] {
        iconv_t probe = iconv_open("GB18030", "BIG5-HKSCS");
        if (probe == reinterpret_cast<iconv_t>(-1))
            return "BIG5";
        iconv_close(probe);
        return "BIG5-HKSCS";
    }();
    return name;
}

} // namespace session
