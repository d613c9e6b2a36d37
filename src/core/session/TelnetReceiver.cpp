#include "core/session/TelnetReceiver.h"

#include <algorithm>

namespace session {

TelnetReceiver::TelnetReceiver()
    : TelnetReceiver(Settings{})
{}

TelnetReceiver::TelnetReceiver(Settings settings)
    : negotiate_(settings.negotiate)
    , negotiator_(std::move(settings.encoding))
{}

void TelnetReceiver::Reset()
{
    filter_.Reset();
    negotiator_.Reset();
    compressing_ = false;
    broken_ = false;
    queued_.clear();
    queuedPos_ = 0;
}

void TelnetReceiver::Configure(Settings settings)
{
    negotiate_ = settings.negotiate;
    negotiator_.SetSiteEncoding(std::move(settings.encoding));
    Reset();
}

bool TelnetReceiver::serverEchoes() const
{
    return negotiate_ ? negotiator_.serverEchoes() : filter_.serverEchoes();
}

void TelnetReceiver::SetWindowSize(unsigned columns, unsigned rows, std::string &replies)
{
    if (negotiate_)
        negotiator_.SetWindowSize(columns, rows, replies);
}

void TelnetReceiver::Feed(std::string_view bytes)
{
    if (broken_)
        return;
    if (queuedPos_ > 0) {
        queued_.erase(0, queuedPos_);
        queuedPos_ = 0;
    }
    queued_.append(bytes);
}

void TelnetReceiver::FeedAll(std::string_view bytes, TelnetOutput &out)
{
    Feed(bytes);
    while (Step(out)) {
    }
}

bool TelnetReceiver::Step(TelnetOutput &out, std::size_t maxText)
{
    queuedPos_ += Work(std::string_view(queued_).substr(queuedPos_), out, maxText);
    if (!pending()) {
        queued_.clear();
        queuedPos_ = 0;
    }
    return pending();
}

bool TelnetReceiver::FeedAndStep(std::string_view bytes, TelnetOutput &out, std::size_t maxText)
{
    if (broken_ || queuedPos_ < queued_.size()) {
        // Bytes wait already: these go after them.
        Feed(bytes);
        return Step(out, maxText);
    }
    const std::size_t used = Work(bytes, out, maxText);
    queued_.clear();
    queuedPos_ = 0;
    if (!broken_)
        queued_.append(bytes.substr(used));
    return pending();
}

std::size_t TelnetReceiver::Work(std::string_view source, TelnetOutput &out, std::size_t maxText)
{
    std::size_t budget = std::max<std::size_t>(maxText, 1);
    std::size_t used = 0;
    while (budget > 0 && !broken_ &&
           (used < source.size() || (compressing_ && inflater_.outputFull()))) {
        const std::string_view rest = source.substr(used);
        if (compressing_) {
            used += Inflate(rest, out, budget);
            continue;
        }
        const std::string_view piece = rest.substr(0, budget);
        if (!negotiate_) {
            filter_.Feed(piece, out.text);
            used += piece.size();
            budget -= piece.size();
            continue;
        }
        const std::size_t events = out.events.size();
        const std::size_t taken = negotiator_.Feed(piece, out);
        used += taken;
        budget -= taken;
        if (out.events.size() > events &&
            out.events.back().kind == TelnetEventKind::CharsetAccepted)
            break;
        if (negotiator_.TakeCompressionStart()) {
            // Everything after this IAC SE, in this read and later ones, is
            // the compressed stream.
            inflater_.Start();
            compressing_ = true;
            out.events.push_back({TelnetEventKind::CompressionStarted, out.text.size(), {}});
        }
    }
    return used;
}

std::size_t TelnetReceiver::Inflate(std::string_view rest, TelnetOutput &out, std::size_t &budget)
{
    inflated_.clear();
    const Inflater::Result r = inflater_.Inflate(rest, inflated_, budget);
    budget -= inflated_.size();
    // The inflated bytes are telnet like any others; a second "compress"
    // inside the stream changes nothing.
    std::string_view plain = inflated_;
    while (!plain.empty()) {
        plain.remove_prefix(negotiator_.Feed(plain, out));
        negotiator_.TakeCompressionStart();
    }
    if (r.status == Inflater::Status::End) {
        compressing_ = false;
        out.events.push_back({TelnetEventKind::CompressionEnded, out.text.size(), {}});
    } else if (r.status == Inflater::Status::Broken ||
               (!rest.empty() && r.taken == 0 && inflated_.empty())) {
        // No progress with input and room to spare is as broken as bad data:
        // nothing could ever be read again.
        broken_ = true;
        compressing_ = false;
        out.events.push_back({TelnetEventKind::CompressionBroken, out.text.size(), {}});
    }
    return r.taken;
}

} // namespace session
