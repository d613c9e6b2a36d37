// The transcoding as stages of the session road: the receive stage turns the
// server's encoding into the core's text right after telnet, and the send
// stage turns a line to send into the encoding the receive side is in (GBK
// while it still detects). The send stage remembers the first character of
// each line that the server's encoding could not carry, so the window can say
// which one.
#pragma once

#include "core/session/SendEncoder.h"
#include "core/session/SessionRoad.h"
#include "core/session/Transcoder.h"

#include <string>
#include <string_view>

namespace session {

class TranscodeStage : public ReceiveStage
{
public:
    explicit TranscodeStage(Encoding setting)
        : transcoder_(setting)
    {}
    std::size_t Feed(std::string_view in, std::string &out, ReplyPort &replies) override;
    void NewConnection() override { transcoder_.NewConnection(); }
    Transcoder &transcoder() { return transcoder_; }
    const Transcoder &transcoder() const { return transcoder_; }

private:
    Transcoder transcoder_;
};

class EncodeStage : public SendStage
{
public:
    // `receive` must outlive the stage (both belong to the same road).
    explicit EncodeStage(const Transcoder &receive)
        : receive_(receive)
    {}
    void Feed(std::string_view line, std::string &out) override;
    // The first character since the last call that went as "?", or empty.
    std::string TakeUnsent();

private:
    const Transcoder &receive_;
    SendEncoder encoder_;
    std::string unsent_;
};

} // namespace session
