// What the telnet stage of the receive road gives back for one read: the game
// text, the bytes to send back to the server, and the events the window acts on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace session {

enum class TelnetEventKind : std::uint8_t {
    PromptEnd,          // GA or EOR: the text up to `at` is a finished prompt
    CharsetAccepted,    // from the next byte on, the server sends `charset`
    CompressionStarted, // the server's text is compressed from here on
    CompressionEnded,   // the compressed stream ended; plain bytes follow
    CompressionBroken,  // the compressed stream is corrupt: the connection is to close
};

struct TelnetEvent
{
    TelnetEventKind kind;
    std::size_t at = 0;  // offset in the output's text where it happened
    std::string charset; // CharsetAccepted: "UTF-8", "GBK", "GB18030" or "BIG5"
};

struct TelnetOutput
{
    std::string text;    // game text, telnet commands taken out
    std::string replies; // bytes for the connection, in order
    std::vector<TelnetEvent> events;

    void Clear()
    {
        text.clear();
        replies.clear();
        events.clear();
    }
};

} // namespace session
