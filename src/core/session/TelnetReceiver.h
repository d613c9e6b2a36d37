// The receive road's telnet part for one connection: decompression (MCCP2)
// joined to the negotiating telnet stage, or the silent filter when the site
// does not negotiate. Bytes go in per read; text, replies and events come out
// in bounded steps, so the caller can stop between steps while the screen is
// busy and the socket is not read meanwhile.
#pragma once

#include "core/session/Inflater.h"
#include "core/session/TelnetEvents.h"
#include "core/session/TelnetFilter.h"
#include "core/session/TelnetNegotiator.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace session {

class TelnetReceiver
{
public:
    // At most this much text comes out of one step.
    static constexpr std::size_t kStepBytes = 64 * 1024;

    struct Settings
    {
        bool negotiate = true; // the site's "协商 telnet 选项"
        std::string encoding;  // the site's encoding, empty for automatic
    };

    TelnetReceiver();
    explicit TelnetReceiver(Settings settings);

    // Queues the bytes of one read.
    void Feed(std::string_view bytes);
    // Works through the queued bytes until `maxText` bytes of text came out
    // or they are used up; it also stops right after an accepted charset, so
    // the caller can switch before the text that follows. Returns whether
    // queued bytes are left.
    bool Step(TelnetOutput &out, std::size_t maxText = kStepBytes);
    // Feed, then one Step, without a copy of the bytes when none wait
    // before them: only what the step leaves of them is queued. With no
    // bytes it is one Step.
    bool FeedAndStep(std::string_view bytes, TelnetOutput &out, std::size_t maxText = kStepBytes);
    // Feed, then Step until nothing is left.
    void FeedAll(std::string_view bytes, TelnetOutput &out);
    // Work is left: queued bytes, or inflated output held back by the cap.
    bool pending() const
    {
        return !broken_ &&
               (queuedPos_ < queued_.size() || (compressing_ && inflater_.outputFull()));
    }

    // The compressed stream was corrupt: the connection is to close; nothing
    // more is read.
    bool broken() const { return broken_; }
    bool compressing() const { return compressing_; }
    bool serverEchoes() const;
    // See TelnetNegotiator::SetWindowSize; nothing is sent without negotiation.
    void SetWindowSize(unsigned columns, unsigned rows, std::string &replies);

    const TelnetNegotiator &negotiator() const { return negotiator_; }

    // A new connection on the same window.
    void Reset();
    // For the next connection (call before its first byte).
    void Configure(Settings settings);
    // The site's encoding changed; options already agreed stay.
    void SetSiteEncoding(std::string encoding) { negotiator_.SetSiteEncoding(std::move(encoding)); }

private:
    // One step over `source` (the queued bytes, or a read's); returns how
    // many of its bytes were used.
    std::size_t Work(std::string_view source, TelnetOutput &out, std::size_t maxText);
    // Returns how many bytes of `rest` were used.
    std::size_t Inflate(std::string_view rest, TelnetOutput &out, std::size_t &budget);

    bool negotiate_;
    TelnetFilter filter_;
    TelnetNegotiator negotiator_;
    Inflater inflater_;
    bool compressing_ = false;
    bool broken_ = false;
    std::string queued_;
    std::size_t queuedPos_ = 0;
    std::string inflated_;
};

} // namespace session
