#include "core/session/TelnetFilter.h"

#include <cstring>

namespace session {
namespace {

constexpr unsigned char kIac = 255;
constexpr unsigned char kDont = 254;
constexpr unsigned char kWill = 251;
constexpr unsigned char kWont = 252;
constexpr unsigned char kSb = 250;
constexpr unsigned char kSe = 240;
constexpr unsigned char kEchoOption = 1;

} // namespace

void TelnetFilter::Feed(std::string_view bytes, std::string &out)
{
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    while (p != end) {
        if (state_ == State::Text) {
            // Game text runs up to the next IAC. 0xFF is never part of a GBK
            // character, so the search cannot cut one.
            const auto left = static_cast<std::size_t>(end - p);
            const void *iac = std::memchr(p, kIac, left);
            if (!iac) {
                out.append(p, left);
                return;
            }
            const char *at = static_cast<const char *>(iac);
            out.append(p, static_cast<std::size_t>(at - p));
            p = at + 1;
            state_ = State::Command;
            continue;
        }
        Step(static_cast<unsigned char>(*p++), out);
    }
}

void TelnetFilter::Step(unsigned char byte, std::string &out)
{
    switch (state_) {
    case State::Text:
        if (byte == kIac)
            state_ = State::Command;
        else
            out += static_cast<char>(byte);
        break;
    case State::Command:
        if (byte == kIac) {
            out += static_cast<char>(kIac);
            state_ = State::Text;
        } else if (byte >= kWill && byte <= kDont) {
            verb_ = byte;
            state_ = State::Option;
        } else if (byte == kSb) {
            state_ = State::Sub;
        } else {
            // GA, EOR, NOP and the other one-byte commands carry nothing the
            // screen needs: the decoder already treats an unfinished line as
            // the prompt.
            state_ = State::Text;
        }
        break;
    case State::Option:
        if (byte == kEchoOption && verb_ == kWill)
            serverEchoes_ = true;
        else if (byte == kEchoOption && verb_ == kWont)
            serverEchoes_ = false;
        state_ = State::Text;
        break;
    case State::Sub:
    case State::SubCommand:
        // Nothing of it is kept, so memory stays flat however long it runs;
        // none of its payload is ever game text.
        if (state_ == State::SubCommand && byte == kSe)
            state_ = State::Text;
        else if (state_ == State::Sub && byte == kIac)
            state_ = State::SubCommand;
        else
            // IAC IAC is a data byte of the subnegotiation; any other byte
            // after IAC is a server's slip and stays inside it.
            state_ = State::Sub;
        break;
    }
}

} // namespace session
