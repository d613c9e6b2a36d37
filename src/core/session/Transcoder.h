// The receive road's transcoding stage: the server's encoding in, the core's
// text (GB18030) out, with its state kept across reads, so a character split
// between two reads comes out whole.
//
// Bytes that do not decode become one U+FFFD each, in GB18030 (84 31 A4 37):
// it cannot be mistaken for a "?" the server really sent, every later stage
// already keeps four-byte characters whole, and the next byte is decoded
// afresh, so an ESC, CR or LF after a broken sequence is never taken with it.
// GBK and GB18030 bytes are the core's text already and pass as they are
// (the screen keeps its own rules for them); ASCII passes untouched in every
// encoding, without the converter.
#pragma once

#include "core/session/Encoding.h"
#include "core/session/TableDecoder.h"

#include <memory>
#include <string>
#include <string_view>

namespace session {

class Transcoder
{
public:
    static constexpr std::string_view kReplacement = TableDecoder::kReplacement; // U+FFFD

    explicit Transcoder(Encoding setting = Encoding::kAuto);

    // Appends the core's text for `in` (the next bytes from the server) to
    // `out`. Only an unfinished character at the end of `in` is kept back.
    void Feed(std::string_view in, std::string &out);

    // A new choice (the site's setting, the window's menu), applied from the
    // next byte and kept for later connections; nothing already decoded is
    // decoded again. kAuto detects afresh.
    void SetEncoding(Encoding setting);
    // A charset agreed with the server (an iconv-style name, as telnet's
    // CHARSET option carries it), applied from the next byte for this
    // connection only. False, and nothing changed, for a name we do not decode.
    bool AgreeCharset(std::string_view charset);

    // What was chosen, and what is in force: kAuto until detection decides.
    Encoding setting() const { return setting_; }
    Encoding current() const { return current_; }
    bool detecting() const { return current_ == Encoding::kAuto; }
    // What the send side should encode to now: GBK while still detecting.
    Encoding sendEncoding() const { return detecting() ? Encoding::kGbk : current_; }

    // A new connection: nothing kept back; on kAuto, detection starts again.
    void NewConnection();

private:
    void Use(Encoding e);
    void Decode(std::string_view in, std::string &out);
    void Detect(std::string_view in, std::string &out);

    Encoding setting_;
    Encoding current_ = Encoding::kAuto;
    std::unique_ptr<TableDecoder> decoder_; // for UTF-8 and Big5
    std::string held_; // bytes of an unfinished character (or undecided sample)
};

} // namespace session
