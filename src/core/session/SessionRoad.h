// The session road: what a game server sends passes a chain of receive stages
// on its way to the screen queue, and what the player sends passes a chain of
// send stages on its way to the connection. Every stage keeps its state across
// reads; none knows the socket: bytes a stage must send the server (answers,
// notices of its own) leave the road through its ServerWire.
//
// The receive chain, in order, with the places later stages go:
//   [before telnet: decompression] -> telnet -> [after telnet: transcoding]
//   -> name mark -> [after the name mark] -> the screen queue
#pragma once

#include "core/session/NameMark.h"
#include "core/session/TelnetFilter.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace session {

// Where the road's bytes for the server go; the connection's owner implements it.
class ServerWire
{
public:
    virtual ~ServerWire() = default;
    virtual void WriteToServer(std::string_view bytes) = 0;
};

// How a stage answers the server: during a read, or later on its own (a window
// size that changed); the bytes go out as they are, past the send stages.
class ReplyPort
{
public:
    virtual ~ReplyPort() = default;
    virtual void Reply(std::string_view bytes) = 0;
};

class ReceiveStage
{
public:
    virtual ~ReceiveStage() = default;
    // Called once when the stage joins a road; a stage that replies on its own
    // keeps the port (the road outlives its stages).
    virtual void Attach(ReplyPort &) {}
    // Takes bytes from the front of `in` (one read, or what the stage before
    // made of it), appends what it makes of them to `out` and answers through
    // `replies`. Returns how many bytes it took: all of them, or, when a byte
    // changes how the stages before it must work (compression starts), the
    // count up to and including that byte. The road then passes the rest of
    // the read through the whole road again, from the first stage. A stage
    // given bytes takes at least one.
    virtual std::size_t Feed(std::string_view in, std::string &out, ReplyPort &replies) = 0;
    // A new connection; by default the stage keeps its state.
    virtual void NewConnection() {}
};

class SendStage
{
public:
    virtual ~SendStage() = default;
    // Appends the bytes for one line (or a piece of one) to `out`.
    virtual void Feed(std::string_view line, std::string &out) = 0;
};

// Today's telnet filter as a stage: commands out, and whether the server echoes.
class TelnetStage : public ReceiveStage
{
public:
    std::size_t Feed(std::string_view in, std::string &out, ReplyPort &replies) override;
    void NewConnection() override { filter_.Reset(); }
    bool serverEchoes() const { return filter_.serverEchoes(); }

private:
    TelnetFilter filter_;
};

// The name prompt's mark: the text passes unchanged; the scan stops once seen.
class NameMarkStage : public ReceiveStage
{
public:
    std::size_t Feed(std::string_view in, std::string &out, ReplyPort &replies) override;
    bool seen() const { return scanner_.seen(); }
    std::size_t bytesScanned() const { return scanner_.bytesScanned(); }

private:
    NameMarkScanner scanner_;
};

class SessionRoad : private ReplyPort
{
public:
    enum class Place {
        kBeforeTelnet,  // sees the raw bytes of a read (decompression)
        kAfterTelnet,   // sees game text without telnet commands (transcoding)
        kAfterNameMark, // the last word before the screen queue
    };

    explicit SessionRoad(ServerWire &wire);
    SessionRoad(const SessionRoad &) = delete;
    SessionRoad &operator=(const SessionRoad &) = delete;

    // Adds a receive stage at `place`, after the stages already there.
    void Insert(Place place, std::unique_ptr<ReceiveStage> stage);
    // Adds a send stage after the ones already there.
    void InsertSend(std::unique_ptr<SendStage> stage);

    // One read from the connection; appends what reaches the screen queue to
    // `screenText`. Replies go to the wire while the read is handled.
    void Receive(std::string_view read, std::string &screenText);
    // One line from a runner (ending in LF) through the send stages to the wire.
    void SendLine(std::string_view line);
    // Bytes for the server not caused by a read, past the send stages.
    void SendReply(std::string_view bytes) { Reply(bytes); }
    // A new connection: every stage hears of it.
    void NewConnection();

    const TelnetStage &telnet() const { return *telnet_; }
    const NameMarkStage &nameMark() const { return *nameMark_; }

private:
    void Reply(std::string_view bytes) override { wire_.WriteToServer(bytes); }
    // One pass of `in` through every stage; the bytes a stage gave back for a
    // new pass are prepended to `again`.
    void Pass(std::string_view in, std::string &screenText, std::string &again);

    ServerWire &wire_;
    std::vector<std::unique_ptr<ReceiveStage>> stages_;
    std::vector<std::string> buffers_; // each stage's output, reused across reads
    TelnetStage *telnet_ = nullptr;
    NameMarkStage *nameMark_ = nullptr;
    std::vector<std::unique_ptr<SendStage>> sendStages_;
    std::string sendBuffers_[2];
};

} // namespace session
