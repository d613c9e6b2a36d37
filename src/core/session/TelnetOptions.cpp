#include "core/session/TelnetOptions.h"

#include "core/session/TelnetCodes.h"

namespace session {
namespace {

using namespace telnet;

// The verbs that turn a side on and off, as we send them.
unsigned char YesVerb(TelnetSide side)
{
    return side == TelnetSide::Us ? kWill : kDo;
}

unsigned char NoVerb(TelnetSide side)
{
    return side == TelnetSide::Us ? kWont : kDont;
}

void Send(std::string &replies, unsigned char verb, unsigned char option)
{
    replies += static_cast<char>(kIac);
    replies += static_cast<char>(verb);
    replies += static_cast<char>(option);
}

} // namespace

void TelnetOptions::Support(unsigned char option, bool us, bool them)
{
    options_[option].us.supported = us;
    options_[option].them.supported = them;
}

bool TelnetOptions::Supports(TelnetSide side, unsigned char option) const
{
    return Half(side, option).supported;
}

void TelnetOptions::Reset()
{
    for (Option &o : options_) {
        o.us = HalfState{QState::No, false, false, o.us.supported};
        o.them = HalfState{QState::No, false, false, o.them.supported};
    }
}

OptionChange TelnetOptions::Received(unsigned char verb, unsigned char option, std::string &replies)
{
    // WILL/WONT speak of the peer's side, DO/DONT of ours.
    const TelnetSide side = verb == kWill || verb == kWont ? TelnetSide::Them : TelnetSide::Us;
    const bool wantsOn = verb == kWill || verb == kDo;
    HalfState &h = Half(side, option);
    if (wantsOn) {
        switch (h.state) {
        case QState::No:
            if (h.supported) {
                h.state = QState::Yes;
                Send(replies, YesVerb(side), option);
                return OptionChange::Enabled;
            }
            if (!h.refused) {
                h.refused = true;
                Send(replies, NoVerb(side), option);
            }
            return OptionChange::None;
        case QState::Yes:
            return OptionChange::None;
        case QState::WantNo:
            // Our "off" was answered by "on": a peer's slip if nothing was
            // queued; with "on" queued it is exactly what we want now.
            h.state = h.opposite ? QState::Yes : QState::No;
            h.opposite = false;
            return h.state == QState::Yes ? OptionChange::Enabled : OptionChange::None;
        case QState::WantYes:
            if (!h.opposite) {
                h.state = QState::Yes;
                return OptionChange::Enabled;
            }
            // We changed our mind while asking: it is on now, so ask it off.
            h.state = QState::WantNo;
            h.opposite = false;
            Send(replies, NoVerb(side), option);
            return OptionChange::Enabled;
        }
        return OptionChange::None;
    }
    switch (h.state) {
    case QState::No:
        return OptionChange::None;
    case QState::Yes:
        h.state = QState::No;
        Send(replies, NoVerb(side), option);
        return OptionChange::Disabled;
    case QState::WantNo:
        if (!h.opposite) {
            h.state = QState::No;
            return OptionChange::Disabled;
        }
        // Off as asked, but we want it on again by now.
        h.state = QState::WantYes;
        h.opposite = false;
        Send(replies, YesVerb(side), option);
        return OptionChange::Disabled;
    case QState::WantYes:
        // Our "on" was refused; a queued "off" has nothing left to do.
        h.state = QState::No;
        h.opposite = false;
        return OptionChange::None;
    }
    return OptionChange::None;
}

bool TelnetOptions::Request(TelnetSide side, unsigned char option, bool enable,
                            std::string &replies)
{
    HalfState &h = Half(side, option);
    if (enable && !h.supported)
        return false;
    switch (h.state) {
    case QState::No:
        if (enable) {
            h.state = QState::WantYes;
            Send(replies, YesVerb(side), option);
        }
        break;
    case QState::Yes:
        if (!enable) {
            h.state = QState::WantNo;
            Send(replies, NoVerb(side), option);
        }
        break;
    case QState::WantNo:
        h.opposite = enable;
        break;
    case QState::WantYes:
        h.opposite = !enable;
        break;
    }
    return true;
}

} // namespace session
