// The telnet stage of the session road: the server's telnet commands come out
// of the text, and, where the site negotiates, they are answered, a
// compressed stream is inflated and an agreed charset reaches the
// transcoding. Where the site does not negotiate it is the silent filter:
// nothing is answered and nothing else changes.
//
// Inflated text comes out in bounded pieces: a piece per Feed, and the road
// asks for the rest (HasMore) while the screen has room for it.
#pragma once

#include "core/session/SessionRoad.h"
#include "core/session/TelnetReceiver.h"

#include <optional>
#include <string>
#include <string_view>

namespace session {

// Told when the server and the client agreed on a charset; called before the
// first byte in that charset passes the stages after telnet.
class CharsetListener
{
public:
    virtual ~CharsetListener() = default;
    virtual void CharsetAgreed(std::string_view canonical) = 0;
};

class TelnetStage : public ReceiveStage
{
public:
    TelnetStage();

    void Attach(ReplyPort &port) override { port_ = &port; }
    std::size_t Feed(std::string_view in, std::string &out, ReplyPort &replies) override;
    bool HasMore() const override { return receiver_.pending() || pendingCharset_.has_value(); }
    void NewConnection() override;

    // For the next connection: whether to negotiate, and the site's encoding
    // (empty for automatic) for CHARSET and the terminal type.
    void Configure(bool negotiate, std::string siteEncoding);
    // The encoding the player chose meanwhile; the options agreed stay.
    void SetSiteEncoding(std::string siteEncoding);
    void SetCharsetListener(CharsetListener *listener) { listener_ = listener; }
    // The screen's size in columns and rows; told to the server when it took
    // NAWS and the size changed.
    void SetWindowSize(unsigned columns, unsigned rows);

    bool serverEchoes() const { return receiver_.serverEchoes(); }
    // The compressed stream was corrupt: nothing more is read from this
    // connection, which is to close.
    bool broken() const { return receiver_.broken(); }
    bool compressing() const { return receiver_.compressing(); }
    const TelnetNegotiator &negotiator() const { return receiver_.negotiator(); }

private:
    TelnetReceiver receiver_;
    TelnetOutput step_;
    std::optional<std::string> pendingCharset_;
    CharsetListener *listener_ = nullptr;
    ReplyPort *port_ = nullptr;
};

} // namespace session
