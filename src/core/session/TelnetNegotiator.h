// The negotiating telnet stage: takes the telnet commands out of the server's
// bytes like the silent filter does, and answers them. Which options we take
// is one table (an option's sides and its handlers); the option states follow
// the Q method, so every answer is given once and no exchange can loop.
#pragma once

#include "core/session/TelnetEvents.h"
#include "core/session/TelnetOptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace session {

class TelnetNegotiator
{
public:
    // Same cap as the silent filter: a longer subnegotiation is discarded
    // whole, up to its IAC SE, and never handled.
    static constexpr std::size_t kMaxSubnegotiation = 64 * 1024;

    // The name the client gives for itself, first of the terminal types.
    static constexpr std::string_view kClientName = "QUORVEL";

    // `siteEncoding`: the site's encoding ("UTF-8", "GBK", ...), empty for
    // automatic.
    explicit TelnetNegotiator(std::string siteEncoding = {});

    // Takes bytes of `bytes` (continuing everything fed before), appending to
    // `out`. Returns how many were taken: all of them, except that it stops
    // right after an IAC SB MCCP2 IAC SE the server may send (we agreed to
    // compression), as every later byte is compressed (TakeCompressionStart
    // then says so once), and right after a CHARSET request we accepted, as
    // every later byte is in that charset.
    std::size_t Feed(std::string_view bytes, TelnetOutput &out);
    bool TakeCompressionStart()
    {
        const bool starts = compressionStarts_;
        compressionStarts_ = false;
        return starts;
    }

    // True while the server has agreed to echo: what the player types now is
    // not to be shown.
    bool serverEchoes() const;

    // The window's size in columns and rows. Sent when the server has taken
    // NAWS and the size differs from what it was last told; the caller
    // debounces resizes.
    void SetWindowSize(unsigned columns, unsigned rows, std::string &replies);

    // Our own request to turn a side of an option on or off (see TelnetOptions).
    bool Request(TelnetSide side, unsigned char option, bool enable, std::string &replies);

    const TelnetOptions &options() const { return options_; }

    // The site's encoding, for the next CHARSET request and terminal type.
    void SetSiteEncoding(std::string siteEncoding) { siteEncoding_ = std::move(siteEncoding); }

    // A new connection: every option off, no command open; the size is kept.
    void Reset();

private:
    enum class State : std::uint8_t {
        Text,
        Command,    // after IAC
        Option,     // after IAC WILL/WONT/DO/DONT
        SubOption,  // after IAC SB: the option byte
        Sub,        // the subnegotiation's data
        SubCommand, // IAC inside it
    };

    // One supported option: which sides we take, and what to do when a side
    // comes on and when a subnegotiation for it arrives (either may be null).
    // A handler of a subnegotiation returns true when the bytes after it must
    // not be read here (compression starts).
    struct Handler
    {
        unsigned char option;
        bool us, them;
        void (TelnetNegotiator::*enabled)(TelnetSide side, std::string &replies);
        bool (TelnetNegotiator::*sub)(std::string_view data, TelnetOutput &out);
    };
    static const Handler *FindHandler(unsigned char option);

    bool Step(unsigned char byte, TelnetOutput &out);
    bool EndSub(TelnetOutput &out);
    void Changed(unsigned char option, TelnetSide side, OptionChange change, std::string &replies);

    void TtypeOn(TelnetSide side, std::string &replies);
    void NawsOn(TelnetSide side, std::string &replies);
    bool TtypeSub(std::string_view data, TelnetOutput &out);
    bool CharsetSub(std::string_view data, TelnetOutput &out);
    bool Mccp2Sub(std::string_view data, TelnetOutput &out);
    void SendNaws(std::string &replies);
    bool utf8() const;

    static const Handler kHandlers[];

    TelnetOptions options_;
    std::string siteEncoding_;
    std::string charset_; // accepted by CHARSET, empty until then
    State state_ = State::Text;
    unsigned char verb_ = 0;
    unsigned char subOption_ = 0;
    std::size_t subBytes_ = 0;
    bool subOverflow_ = false;
    std::string subData_;
    unsigned ttypeAnswers_ = 0;
    unsigned columns_ = 0, rows_ = 0;
    unsigned toldColumns_ = 0, toldRows_ = 0;
    bool told_ = false;
    bool compressionStarts_ = false;
};

} // namespace session
