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
    // Appends the game text of `bytes` to `out`. "IAC IAC" gives one 0xFF byte;
    // every other command (option verbs, one-byte commands such as GA and EOR,
    // subnegotiations, however long, up to their IAC SE) is removed. A command
    // cut by the end of `bytes` is finished by the next call. Nothing is kept
    // of a subnegotiation and nothing is ever answered.
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
    bool serverEchoes_ = false;
};

} // namespace session
