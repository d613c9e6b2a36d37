#include "core/session/TelnetNegotiator.h"

#include "core/session/TelnetCharset.h"
#include "core/session/TelnetCodes.h"

#include <algorithm>
#include <cstring>

namespace session {
namespace {

using namespace telnet;

// Subnegotiation commands.
constexpr unsigned char kTtypeIs = 0;
constexpr unsigned char kTtypeSend = 1;
constexpr unsigned char kCharsetRequest = 1;
constexpr unsigned char kCharsetAccepted = 2;
constexpr unsigned char kCharsetRejected = 3;

// The MUD terminal type bits for what the screen draws.
constexpr unsigned kMttsAnsi = 1;
constexpr unsigned kMttsUtf8 = 4;

void AppendEscaped(std::string &out, std::string_view data)
{
    for (char c : data) {
        out += c;
        if (static_cast<unsigned char>(c) == kIac)
            out += c;
    }
}

void SendSub(std::string &replies, unsigned char option, std::string_view data)
{
    replies += static_cast<char>(kIac);
    replies += static_cast<char>(kSb);
    replies += static_cast<char>(option);
    AppendEscaped(replies, data);
    replies += static_cast<char>(kIac);
    replies += static_cast<char>(kSe);
}

} // namespace

// clang-format off
const TelnetNegotiator::Handler TelnetNegotiator::kHandlers[] = {
    // option       us     them   side comes on               subnegotiation
    {kOptEcho,    false, true,  nullptr,                    nullptr},
    {kOptSga,     true,  true,  nullptr,                    nullptr},
    {kOptTtype,   true,  false, &TelnetNegotiator::TtypeOn, &TelnetNegotiator::TtypeSub},
    {kOptEor,     false, true,  nullptr,                    nullptr},
    {kOptNaws,    true,  false, &TelnetNegotiator::NawsOn,  nullptr},
    {kOptCharset, true,  true,  nullptr,                    &TelnetNegotiator::CharsetSub},
    {kOptMccp2,   false, true,  nullptr,                    &TelnetNegotiator::Mccp2Sub},
};
// clang-format on

const TelnetNegotiator::Handler *TelnetNegotiator::FindHandler(unsigned char option)
{
    for (const Handler &h : kHandlers)
        if (h.option == option)
            return &h;
    return nullptr;
}

TelnetNegotiator::TelnetNegotiator(std::string siteEncoding)
    : siteEncoding_(std::move(siteEncoding))
{
    for (const Handler &h : kHandlers)
        options_.Support(h.option, h.us, h.them);
}

void TelnetNegotiator::Reset()
{
    options_.Reset();
    charset_.clear();
    state_ = State::Text;
    subData_.clear();
    subBytes_ = 0;
    subOverflow_ = false;
    ttypeAnswers_ = 0;
    told_ = false;
    compressionStarts_ = false;
}

bool TelnetNegotiator::serverEchoes() const
{
    return options_.enabled(TelnetSide::Them, kOptEcho);
}

bool TelnetNegotiator::utf8() const
{
    return CanonicalCharset(charset_.empty() ? siteEncoding_ : charset_) == "UTF-8";
}

std::size_t TelnetNegotiator::Feed(std::string_view bytes, TelnetOutput &out)
{
    const char *const begin = bytes.data();
    const char *p = begin;
    const char *const end = p + bytes.size();
    while (p != end) {
        if (state_ == State::Text) {
            // 0xFF is never part of a GBK character, so the search cannot cut one.
            const auto left = static_cast<std::size_t>(end - p);
            const void *iac = std::memchr(p, kIac, left);
            if (!iac) {
                out.text.append(p, left);
                break;
            }
            const char *at = static_cast<const char *>(iac);
            out.text.append(p, static_cast<std::size_t>(at - p));
            p = at + 1;
            state_ = State::Command;
            continue;
        }
        if (Step(static_cast<unsigned char>(*p++), out))
            return static_cast<std::size_t>(p - begin);
    }
    return bytes.size();
}

bool TelnetNegotiator::Step(unsigned char byte, TelnetOutput &out)
{
    switch (state_) {
    case State::Text:
        if (byte == kIac)
            state_ = State::Command;
        else
            out.text += static_cast<char>(byte);
        return false;
    case State::Command:
        state_ = State::Text;
        if (byte == kIac) {
            out.text += static_cast<char>(kIac);
        } else if (byte >= kWill && byte <= kDont) {
            verb_ = byte;
            state_ = State::Option;
        } else if (byte == kSb) {
            state_ = State::SubOption;
            subData_.clear();
            subBytes_ = 0;
            subOverflow_ = false;
        } else if (byte == kGa || byte == kEor) {
            out.events.push_back({TelnetEventKind::PromptEnd, out.text.size(), {}});
        }
        // NOP and the other one-byte commands carry nothing for us.
        return false;
    case State::Option: {
        state_ = State::Text;
        const OptionChange change = options_.Received(verb_, byte, out.replies);
        const TelnetSide side =
            verb_ == kWill || verb_ == kWont ? TelnetSide::Them : TelnetSide::Us;
        Changed(byte, side, change, out.replies);
        return false;
    }
    case State::SubOption:
    case State::Sub:
    case State::SubCommand:
        // Past the cap nothing more is kept, and the subnegotiation is dropped
        // whole at its end: its payload never becomes text.
        if (++subBytes_ > kMaxSubnegotiation && !subOverflow_) {
            subOverflow_ = true;
            subData_.clear();
            subData_.shrink_to_fit();
        }
        if (state_ == State::SubOption) {
            subOption_ = byte;
            state_ = byte == kIac ? State::SubCommand : State::Sub;
            return false;
        }
        if (state_ == State::SubCommand) {
            if (byte == kSe)
                return EndSub(out);
            // IAC IAC is a data byte; any other byte after IAC is a server's
            // slip and stays inside the subnegotiation.
            if (byte == kIac && !subOverflow_)
                subData_ += static_cast<char>(kIac);
            state_ = State::Sub;
            return false;
        }
        if (byte == kIac)
            state_ = State::SubCommand;
        else if (!subOverflow_)
            subData_ += static_cast<char>(byte);
        return false;
    }
    return false;
}

bool TelnetNegotiator::EndSub(TelnetOutput &out)
{
    state_ = State::Text;
    if (subOverflow_)
        return false;
    const Handler *h = FindHandler(subOption_);
    if (!h || !h->sub)
        return false;
    const bool stop = (this->*h->sub)(subData_, out);
    subData_.clear();
    return stop;
}

void TelnetNegotiator::Changed(unsigned char option, TelnetSide side, OptionChange change,
                               std::string &replies)
{
    if (change != OptionChange::Enabled)
        return;
    const Handler *h = FindHandler(option);
    if (h && h->enabled)
        (this->*h->enabled)(side, replies);
}

bool TelnetNegotiator::Request(TelnetSide side, unsigned char option, bool enable,
                               std::string &replies)
{
    return options_.Request(side, option, enable, replies);
}

void TelnetNegotiator::TtypeOn(TelnetSide, std::string &)
{
    // A fresh agreement starts the list of names again.
    ttypeAnswers_ = 0;
}

bool TelnetNegotiator::TtypeSub(std::string_view data, TelnetOutput &out)
{
    if (!options_.enabled(TelnetSide::Us, kOptTtype) || data.empty() ||
        static_cast<unsigned char>(data[0]) != kTtypeSend)
        return false;
    std::string answer(1, static_cast<char>(kTtypeIs));
    switch (ttypeAnswers_) {
    case 0:
        answer += kClientName;
        break;
    case 1:
        answer += "ANSI";
        break;
    default:
        answer += "MTTS " + std::to_string(kMttsAnsi | (utf8() ? kMttsUtf8 : 0));
        break;
    }
    ttypeAnswers_ = std::min(ttypeAnswers_ + 1, 2u);
    SendSub(out.replies, kOptTtype, answer);
    return false;
}

void TelnetNegotiator::NawsOn(TelnetSide, std::string &replies)
{
    told_ = false;
    SendNaws(replies);
}

void TelnetNegotiator::SetWindowSize(unsigned columns, unsigned rows, std::string &replies)
{
    columns_ = std::min(columns, 0xFFFFu);
    rows_ = std::min(rows, 0xFFFFu);
    SendNaws(replies);
}

void TelnetNegotiator::SendNaws(std::string &replies)
{
    // Nothing to tell before the window knows its size, or when it is the same.
    if (!options_.enabled(TelnetSide::Us, kOptNaws) || columns_ == 0 || rows_ == 0)
        return;
    if (told_ && toldColumns_ == columns_ && toldRows_ == rows_)
        return;
    const char size[4] = {static_cast<char>(columns_ >> 8), static_cast<char>(columns_ & 0xFF),
                          static_cast<char>(rows_ >> 8), static_cast<char>(rows_ & 0xFF)};
    SendSub(replies, kOptNaws, std::string_view(size, 4));
    told_ = true;
    toldColumns_ = columns_;
    toldRows_ = rows_;
}

bool TelnetNegotiator::CharsetSub(std::string_view data, TelnetOutput &out)
{
    if (!options_.enabled(TelnetSide::Us, kOptCharset) &&
        !options_.enabled(TelnetSide::Them, kOptCharset))
        return false;
    if (data.empty() || static_cast<unsigned char>(data[0]) != kCharsetRequest)
        return false;
    const CharsetChoice choice = ChooseCharset(data.substr(1), siteEncoding_);
    if (!choice.accepted) {
        SendSub(out.replies, kOptCharset, std::string(1, static_cast<char>(kCharsetRejected)));
        return false;
    }
    SendSub(out.replies, kOptCharset,
            std::string(1, static_cast<char>(kCharsetAccepted)) + choice.offered);
    charset_ = choice.canonical;
    out.events.push_back({TelnetEventKind::CharsetAccepted, out.text.size(), choice.canonical});
    return true;
}

bool TelnetNegotiator::Mccp2Sub(std::string_view data, TelnetOutput &)
{
    // Compression only where we agreed to it: a server's unasked "start"
    // must not make the rest of the session unreadable.
    if (!data.empty() || !options_.enabled(TelnetSide::Them, kOptMccp2))
        return false;
    compressionStarts_ = true;
    return true;
}

} // namespace session
