#include "core/session/Inflater.h"

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
    if (!active_) {
        result.status = Status::Broken;
        return result;
    }
    z_stream &z = stream_->z;
    const std::size_t before = out.size();
    out.resize(before + maxOut);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data() + before);
    z.avail_out = static_cast<uInt>(maxOut);
    const int rc = inflate(&z, Z_NO_FLUSH);
    result.taken = in.size() - z.avail_in;
    out.resize(before + (maxOut - z.avail_out));
    if (rc == Z_STREAM_END) {
        active_ = false;
        result.status = Status::End;
    } else if (rc == Z_OK || rc == Z_BUF_ERROR) {
        // Z_BUF_ERROR: no progress was possible, which only happens when the
        // input is used up or the output has no room; the caller brings either.
        result.status = Status::More;
    } else {
        active_ = false;
        result.status = Status::Broken;
    }
    return result;
}

} // namespace session
