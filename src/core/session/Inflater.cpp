#include "core/session/Inflater.h"

#include <algorithm>
#include <zlib.h>

namespace session {

struct Inflater::Stream
{
    z_stream z{};
    bool initialised = false;
};

Inflater::Inflater()
    : stream_(std::make_unique<Stream>())
{}

Inflater::~Inflater()
{
    if (stream_->initialised)
        inflateEnd(&stream_->z);
}

void Inflater::Start()
{
    outputFull_ = false;
    if (stream_->initialised) {
        inflateReset(&stream_->z);
    } else {
        stream_->z = z_stream{};
        stream_->initialised = inflateInit(&stream_->z) == Z_OK;
    }
    active_ = stream_->initialised;
}

Inflater::Result Inflater::Inflate(std::string_view in, std::string &out, std::size_t maxOut)
{
    Result result;
    outputFull_ = false;
    if (!active_) {
        result.status = Status::Broken;
        return result;
    }
    // The output grows a piece at a time, so a large allowance costs nothing
    // until the data is there.
    constexpr std::size_t kPiece = 16 * 1024;
    constexpr std::size_t kMaxIn = 1u << 30;
    z_stream &z = stream_->z;
    std::size_t produced = 0;
    while (produced < maxOut) {
        const std::size_t room = std::min(kPiece, maxOut - produced);
        const std::size_t before = out.size();
        const std::string_view rest = in.substr(result.taken);
        const std::size_t give = std::min(rest.size(), kMaxIn);
        out.resize(before + room);
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(rest.data()));
        z.avail_in = static_cast<uInt>(give);
        z.next_out = reinterpret_cast<Bytef *>(out.data() + before);
        z.avail_out = static_cast<uInt>(room);
        const int rc = inflate(&z, Z_NO_FLUSH);
        const std::size_t taken = give - z.avail_in;
        const std::size_t made = room - z.avail_out;
        result.taken += taken;
        produced += made;
        out.resize(before + made);
        if (rc == Z_STREAM_END) {
            active_ = false;
            result.status = Status::End;
            return result;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            active_ = false;
            result.status = Status::Broken;
            return result;
        }
        // Z_BUF_ERROR, or room left over: the input is used up for now.
        if (rc == Z_BUF_ERROR || made < room || (taken == 0 && made == 0))
            break;
    }
    outputFull_ = produced == maxOut;
    return result;
}

} // namespace session
