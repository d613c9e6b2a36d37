#include "core/session/TranscodeStages.h"

#include <utility>

namespace session {

std::size_t TranscodeStage::Feed(std::string_view in, std::string &out, ReplyPort &)
{
    transcoder_.Feed(in, out);
    return in.size();
}

void EncodeStage::Feed(std::string_view line, std::string &out)
{
    if (encoder_.target() != receive_.sendEncoding())
        encoder_.SetEncoding(receive_.sendEncoding());
    SendEncoder::Result result = encoder_.Encode(line, out);
    if (result.unsent > 0 && unsent_.empty())
        unsent_ = std::move(result.firstUnsent);
}

std::string EncodeStage::TakeUnsent()
{
    return std::exchange(unsent_, std::string());
}

} // namespace session
