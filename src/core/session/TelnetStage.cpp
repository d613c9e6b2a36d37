#include "core/session/TelnetStage.h"

#include <utility>

namespace session {

TelnetStage::TelnetStage()
    : receiver_(TelnetReceiver::Settings{false, {}})
{}

void TelnetStage::Configure(bool negotiate, std::string siteEncoding)
{
    receiver_.Configure(TelnetReceiver::Settings{negotiate, std::move(siteEncoding)});
}

void TelnetStage::SetSiteEncoding(std::string siteEncoding)
{
    receiver_.SetSiteEncoding(std::move(siteEncoding));
}

void TelnetStage::NewConnection()
{
    receiver_.Reset();
    pendingCharset_.reset();
}

void TelnetStage::SetWindowSize(unsigned columns, unsigned rows)
{
    std::string replies;
    receiver_.SetWindowSize(columns, rows, replies);
    if (!replies.empty() && port_)
        port_->Reply(replies);
}

std::size_t TelnetStage::Feed(std::string_view in, std::string &out, ReplyPort &replies)
{
    // The text before an agreed charset has passed the stages after this one
    // by now; what follows is read in the new charset.
    if (pendingCharset_) {
        if (listener_)
            listener_->CharsetAgreed(*pendingCharset_);
        pendingCharset_.reset();
    }
    step_.Clear();
    // The step appends straight to the road's buffer: no copy of the text,
    // and the read is queued only for what the step leaves of it.
    step_.text.swap(out);
    receiver_.FeedAndStep(in, step_);
    step_.text.swap(out);
    if (!step_.replies.empty())
        replies.Reply(step_.replies);
    for (const TelnetEvent &e : step_.events)
        if (e.kind == TelnetEventKind::CharsetAccepted)
            pendingCharset_ = e.charset;
    return in.size();
}

} // namespace session
