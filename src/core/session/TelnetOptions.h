// The state of every telnet option on both sides of the connection, kept by
// the "Q method" of RFC 1143: a side is off, on, or waiting for the answer to
// our request, with one queued change of mind. An answer never provokes an
// answer back, so two peers cannot talk each other into a loop.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace session {

// Whose half of an option: `us` performs it (we say WILL/WONT), `them` is the
// server performing it (we say DO/DONT).
enum class TelnetSide : std::uint8_t { Us, Them };

enum class QState : std::uint8_t { No, Yes, WantNo, WantYes };

// What a received verb or a request of ours did to one side of an option.
enum class OptionChange : std::uint8_t { None, Enabled, Disabled };

class TelnetOptions
{
public:
    // Which sides of `option` we agree to have on when the peer asks.
    void Support(unsigned char option, bool us, bool them);
    bool Supports(TelnetSide side, unsigned char option) const;

    // The peer's WILL, WONT, DO or DONT for `option`: appends our answer (at
    // most one command) to `replies` and says what changed. An option we do
    // not support is refused once; the peer's repeating the offer is ignored.
    OptionChange Received(unsigned char verb, unsigned char option, std::string &replies);

    // Our own wish to turn a side on or off: appends the request (if one has
    // to go out) to `replies`. While an earlier request of ours is unanswered
    // the wish is queued, never sent twice. Turning on a side we do not
    // support is refused (false).
    bool Request(TelnetSide side, unsigned char option, bool enable, std::string &replies);

    QState state(TelnetSide side, unsigned char option) const { return Half(side, option).state; }
    // A change of mind is queued behind the request in flight.
    bool queued(TelnetSide side, unsigned char option) const { return Half(side, option).opposite; }
    bool enabled(TelnetSide side, unsigned char option) const
    {
        return state(side, option) == QState::Yes;
    }

    // A new connection: every option off, nothing asked; support stays.
    void Reset();

private:
    struct HalfState
    {
        QState state = QState::No;
        bool opposite = false; // the queue bit: change our mind once answered
        bool refused = false;  // an offer of this unsupported side was refused already
        bool supported = false;
    };
    struct Option
    {
        HalfState us, them;
    };

    HalfState &Half(TelnetSide side, unsigned char option)
    {
        return side == TelnetSide::Us ? options_[option].us : options_[option].them;
    }
    const HalfState &Half(TelnetSide side, unsigned char option) const
    {
        return side == TelnetSide::Us ? options_[option].us : options_[option].them;
    }

    std::array<Option, 256> options_{};
};

} // namespace session
