// The session road: what a game server sends passes a chain of receive stages
// on its way to the screen queue, and what the player sends passes a chain of
// send stages on its way to the connection. Every stage keeps its state across
// reads; none knows the socket: bytes a stage must send the server (answers,
// notices of its own) leave the road through its ServerWire.
//
// The receive chain, in order, with the places later stages go:
//   [before telnet] -> telnet (and decompression) -> [after telnet:
//   transcoding] -> name mark -> [after the name mark] -> the screen queue
//
// A stage may hold work back (inflated text beyond its piece): the road asks
// it for more while what one read gave the screen stays under a bound, and
// says when work is left, so the caller stops reading the socket until the
// screen has caught up and it calls Continue.
#pragma once

#include "core/session/NameMark.h"

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
    // The stage holds output back: Feed with no bytes gives more of it.
    virtual bool HasMore() const { return false; }
    // A stage that only looks at the text, passing it on as it is, says so:
    // the road then calls Observe instead of Feed, and the text goes on
    // without a copy.
    virtual bool observesOnly() const { return false; }
    virtual void Observe(std::string_view) {}
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

// The name prompt's mark: the text passes unchanged; the scan stops once seen.
class NameMarkStage : public ReceiveStage
{
public:
    std::size_t Feed(std::string_view in, std::string &out, ReplyPort &replies) override;
    bool observesOnly() const override { return true; }
    void Observe(std::string_view in) override { scanner_.Feed(in); }
    bool seen() const { return scanner_.seen(); }
    std::size_t bytesScanned() const { return scanner_.bytesScanned(); }

private:
    NameMarkScanner scanner_;
};

class TelnetStage;

class SessionRoad : private ReplyPort
{
public:
    enum class Place {
        kBeforeTelnet,  // sees the raw bytes of a read (decompression)
        kAfterTelnet,   // sees game text without telnet commands (transcoding)
        kAfterNameMark, // the last word before the screen queue
    };

    // What one Receive or Continue gives the screen before it leaves the
    // rest of a stage's held-back work for the next Continue.
    static constexpr std::size_t kScreenBytesPerCall = 256 * 1024;

    explicit SessionRoad(ServerWire &wire);
    ~SessionRoad() override;
    SessionRoad(const SessionRoad &) = delete;
    SessionRoad &operator=(const SessionRoad &) = delete;

    // Adds a receive stage at `place`, after the stages already there.
    void Insert(Place place, std::unique_ptr<ReceiveStage> stage);
    // Adds a send stage after the ones already there.
    void InsertSend(std::unique_ptr<SendStage> stage);

    // One read from the connection; appends what reaches the screen queue to
    // `screenText`. Replies go to the wire while the read is handled.
    void Receive(std::string_view read, std::string &screenText);
    // Work is held back for Continue; read nothing new meanwhile.
    bool pending() const;
    // More of the held-back work, up to the bound.
    void Continue(std::string &screenText);
    // One line from a runner (ending in LF) through the send stages to the wire.
    void SendLine(std::string_view line);
    // Bytes for the server not caused by a read, past the send stages.
    void SendReply(std::string_view bytes) { Reply(bytes); }
    // A new connection: every stage hears of it.
    void NewConnection();

    TelnetStage &telnet() { return *telnet_; }
    const TelnetStage &telnet() const { return *telnet_; }
    const NameMarkStage &nameMark() const { return *nameMark_; }

private:
    void Reply(std::string_view bytes) override { wire_.WriteToServer(bytes); }
    // One pass of `in` through the stages from `first` on (the first is fed
    // even with no bytes); the bytes a stage gave back for a new pass are
    // prepended to `again`. Where the pass is all the screen's text so far,
    // the last stage's buffer itself becomes it.
    void Pass(std::size_t first, std::string_view in, std::string &screenText, std::string &again);
    // Passes what a stage gave back until nothing is, then the held-back work
    // while `screenText` has grown less than the bound since `start`.
    void Drain(std::string &again, std::string &screenText, std::size_t start);

    ServerWire &wire_;
    std::vector<std::unique_ptr<ReceiveStage>> stages_;
    std::vector<std::string> buffers_; // each stage's output, reused across reads
    TelnetStage *telnet_ = nullptr;
    NameMarkStage *nameMark_ = nullptr;
    std::vector<std::unique_ptr<SendStage>> sendStages_;
    std::string sendBuffers_[2];
};

} // namespace session
