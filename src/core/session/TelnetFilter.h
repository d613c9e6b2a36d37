// Takes the telnet commands out of what a game server sends, before the text is
// decoded, and keeps the one thing the client acts on: whether the server has
// taken over echoing (it does so before a password prompt).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace session {

class TelnetFilter
{
public:
    // A subnegotiation longer than this many bytes (after IAC SB) is taken as
    // never ending: those bytes are dropped and what follows is game text again.
    static constexpr std::size_t kMaxSubnegotiation = 64 * 1024;

    // Appends the game text of `bytes` to `out`. "IAC IAC" gives one 0xFF byte;
    // every other command (option verbs, one-byte commands such as GA and EOR,
    // subnegotiations) is removed. A command cut by the end of `bytes` is
    // finished by the next call. Nothing is ever answered.
    void Feed(std::string_view bytes, std::string &out);

    // True between the server's "IAC WILL ECHO" and its "IAC WONT ECHO": what
    // the player types now is not to be shown.
    bool serverEchoes() const { return serverEchoes_; }

    // A new connection: no command open, the client echoes again.
    void Reset() { *this = TelnetFilter(); }

private:
    enum class State : std::uint8_t {
        Text,       // game text
        Command,    // after IAC
        Option,     // after IAC WILL/WONT/DO/DONT, the option byte is next
        Sub,        // inside IAC SB ...
        SubCommand, // IAC inside a subnegotiation
    };

    void Step(unsigned char byte, std::string &out);

    State state_ = State::Text;
    unsigned char verb_ = 0;
    std::size_t subBytes_ = 0;
    bool serverEchoes_ = false;
};

} // namespace session
