#include "core/session/TranscodeStages.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using session::EncodeStage;
using session::Encoding;
using session::SessionRoad;
using session::TranscodeStage;

namespace {

struct RecordingWire : session::ServerWire
{
    std::string written;
    void WriteToServer(std::string_view bytes) override { written += bytes; }
};

// A road with the transcoding in its places, as a window sets it up.
struct Road
{
    explicit Road(Encoding setting)
    {
        auto receive = std::make_unique<TranscodeStage>(setting);
        auto send = std::make_unique<EncodeStage>(receive->transcoder());
        transcoder = &receive->transcoder();
        encode = send.get();
        road.Insert(SessionRoad::Place::kAfterTelnet, std::move(receive));
        road.InsertSend(std::move(send));
    }
    RecordingWire wire;
    SessionRoad road{wire};
    session::Transcoder *transcoder = nullptr;
    EncodeStage *encode = nullptr;
};

} // namespace

// A UTF-8 server on "auto": telnet is taken out before the transcoding, the
// name prompt's mark is seen in the core's text, and what is typed goes back
// as UTF-8.
TEST(TranscodeStages, AutoOnAUtf8ServerReadsThePromptAndSendsUtf8)
{
    Road r(Encoding::kAuto);
    std::string screen;
    const std::string prompt = "\xff\xfb\x01请输入你的英文名字：";
    for (std::size_t at = 0; at < prompt.size(); at += 5)
        r.road.Receive(std::string_view(prompt).substr(at, 5), screen);
    r.road.Receive("\r\n", screen);
    EXPECT_EQ(r.transcoder->current(), Encoding::kUtf8);
    EXPECT_TRUE(r.road.nameMark().seen());
    EXPECT_NE(screen.find("\xc3\xfb"), std::string::npos); // 名 in the core's text
    r.wire.written.clear();
    r.road.SendLine("\xc4\xe3\xba\xc3\n"); // 你好, typed
    EXPECT_EQ(r.wire.written, "你好\n");
    EXPECT_TRUE(r.encode->TakeUnsent().empty());
}

// On a Big5 site a simplified character cannot go: it is sent as "?" and the
// stage tells the first such character once.
TEST(TranscodeStages, ACharacterTheServerCannotReadIsToldOnce)
{
    Road r(Encoding::kBig5);
    r.road.SendLine("\xd5\xe2\xd5\xe2\n"); // 这这
    EXPECT_EQ(r.wire.written, "??\n");
    EXPECT_EQ(r.encode->TakeUnsent(), "\xd5\xe2");
    EXPECT_TRUE(r.encode->TakeUnsent().empty());
}
