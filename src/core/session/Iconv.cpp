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
    // Converted through a buffer on the stack: the string grows by what
    // came out, never by a guess that would be zeroed first.
    char buffer[4096];
    while (inLeft > 0) {
        char *outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r =
            iconv(reinterpret_cast<iconv_t>(cd_), &inPtr, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out.append(buffer, sizeof buffer - outLeft);
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
