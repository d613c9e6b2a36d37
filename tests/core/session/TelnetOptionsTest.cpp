// The Q method of option negotiation: every state of either side against
// every verb, refusals given once, and two peers that always fall quiet.
#include "core/session/TelnetOptions.h"

#include "core/session/TelnetCodes.h"

#include <deque>
#include <gtest/gtest.h>
#include <random>
#include <string>

using session::OptionChange;
using session::QState;
using session::TelnetOptions;
using session::TelnetSide;
namespace telnet = session::telnet;

namespace {

constexpr unsigned char kOption = 31;

std::string Cmd(unsigned char verb, unsigned char option = kOption)
{
    return std::string{static_cast<char>(telnet::kIac), static_cast<char>(verb),
                       static_cast<char>(option)};
}

// The peer's verbs that speak of `side`, and ours that answer for it.
struct Verbs
{
    unsigned char peerOn, peerOff, ourOn, ourOff;
};
Verbs VerbsFor(TelnetSide side)
{
    if (side == TelnetSide::Them)
        return {telnet::kWill, telnet::kWont, telnet::kDo, telnet::kDont};
    return {telnet::kDo, telnet::kDont, telnet::kWill, telnet::kWont};
}

// Brings a supported side into `state` (with the queue bit) the way a session
// gets there.
void Reach(TelnetOptions &o, TelnetSide side, QState state, bool queued)
{
    std::string sink;
    const Verbs v = VerbsFor(side);
    switch (state) {
    case QState::No:
        break;
    case QState::Yes:
        o.Received(v.peerOn, kOption, sink);
        break;
    case QState::WantYes:
        o.Request(side, kOption, true, sink);
        if (queued)
            o.Request(side, kOption, false, sink);
        break;
    case QState::WantNo:
        o.Received(v.peerOn, kOption, sink);
        o.Request(side, kOption, false, sink);
        if (queued)
            o.Request(side, kOption, true, sink);
        break;
    }
    ASSERT_EQ(o.state(side, kOption), state);
    ASSERT_EQ(o.queued(side, kOption), queued);
}

} // namespace

TEST(TelnetOptions, EveryStateAnswersEveryVerbOnceAtMost)
{
    struct Row
    {
        QState from;
        bool queued;
        bool peerOn; // the peer's verb: on (WILL/DO) or off (WONT/DONT)
        int answer;  // 0 none, 1 our "on", -1 our "off"
        QState to;
        bool toQueued;
        OptionChange change;
    };
    using C = OptionChange;
    const Row rows[] = {
        {QState::No, false, true, 1, QState::Yes, false, C::Enabled},
        {QState::Yes, false, true, 0, QState::Yes, false, C::None},
        {QState::WantNo, false, true, 0, QState::No, false, C::None},
        {QState::WantNo, true, true, 0, QState::Yes, false, C::Enabled},
        {QState::WantYes, false, true, 0, QState::Yes, false, C::Enabled},
        {QState::WantYes, true, true, -1, QState::WantNo, false, C::Enabled},
        {QState::No, false, false, 0, QState::No, false, C::None},
        {QState::Yes, false, false, -1, QState::No, false, C::Disabled},
        {QState::WantNo, false, false, 0, QState::No, false, C::Disabled},
        {QState::WantNo, true, false, 1, QState::WantYes, false, C::Disabled},
        {QState::WantYes, false, false, 0, QState::No, false, C::None},
        {QState::WantYes, true, false, 0, QState::No, false, C::None},
    };
    for (TelnetSide side : {TelnetSide::Us, TelnetSide::Them}) {
        const Verbs v = VerbsFor(side);
        for (const Row &r : rows) {
            SCOPED_TRACE(testing::Message()
                         << (side == TelnetSide::Us ? "us" : "them") << " from " << int(r.from)
                         << (r.queued ? "+queued" : "") << " peer " << (r.peerOn ? "on" : "off"));
            TelnetOptions o;
            o.Support(kOption, true, true);
            Reach(o, side, r.from, r.queued);
            std::string replies;
            const OptionChange change =
                o.Received(r.peerOn ? v.peerOn : v.peerOff, kOption, replies);
            const std::string want = r.answer == 0 ? "" : Cmd(r.answer > 0 ? v.ourOn : v.ourOff);
            EXPECT_EQ(replies, want);
            EXPECT_EQ(o.state(side, kOption), r.to);
            EXPECT_EQ(o.queued(side, kOption), r.toQueued);
            EXPECT_EQ(change, r.change);
            // The other side of the option is never touched.
            const TelnetSide other = side == TelnetSide::Us ? TelnetSide::Them : TelnetSide::Us;
            EXPECT_EQ(o.state(other, kOption), QState::No);
        }
    }
}

TEST(TelnetOptions, UnsupportedOffersAreRefusedOnceAndRepeatsIgnored)
{
    for (unsigned char verb : {telnet::kWill, telnet::kDo}) {
        TelnetOptions o;
        o.Support(kOption, verb == telnet::kWill, verb == telnet::kDo); // the other side only
        std::string replies;
        for (int i = 0; i < 10000; ++i)
            EXPECT_EQ(o.Received(verb, kOption, replies), OptionChange::None);
        EXPECT_EQ(replies, Cmd(verb == telnet::kWill ? telnet::kDont : telnet::kWont));
        // Its "off" needs no answer either; nor can we ask for it.
        o.Received(verb == telnet::kWill ? telnet::kWont : telnet::kDont, kOption, replies);
        EXPECT_EQ(replies.size(), 3u);
        EXPECT_FALSE(o.Request(verb == telnet::kWill ? TelnetSide::Them : TelnetSide::Us, kOption,
                               true, replies));
        EXPECT_EQ(replies.size(), 3u);
    }
}

TEST(TelnetOptions, OurRequestsAreRememberedUntilAnswered)
{
    TelnetOptions o;
    o.Support(kOption, true, true);
    std::string replies;
    EXPECT_TRUE(o.Request(TelnetSide::Them, kOption, true, replies));
    EXPECT_TRUE(o.Request(TelnetSide::Them, kOption, true, replies)); // asked already
    EXPECT_EQ(replies, Cmd(telnet::kDo));
    // The answer needs no answer, and a repeat of it changes nothing.
    replies.clear();
    EXPECT_EQ(o.Received(telnet::kWill, kOption, replies), OptionChange::Enabled);
    EXPECT_EQ(o.Received(telnet::kWill, kOption, replies), OptionChange::None);
    EXPECT_EQ(replies, "");
    EXPECT_TRUE(o.enabled(TelnetSide::Them, kOption));
    o.Reset();
    EXPECT_EQ(o.state(TelnetSide::Them, kOption), QState::No);
    EXPECT_TRUE(o.Supports(TelnetSide::Them, kOption));
}

// Two peers with random support and random changes of mind, every message
// delivered: the exchange always ends, and both agree on every option. (A
// request after a refusal may stay unanswered: that is the price of answering
// a repeated offer only once.)
TEST(TelnetOptions, TwoPeersNeverLoopAndEndInAgreement)
{
    std::mt19937 rng(24);
    for (int round = 0; round < 300; ++round) {
        TelnetOptions a, b;
        for (unsigned char opt = 0; opt < 4; ++opt) {
            a.Support(opt, rng() & 1, rng() & 1);
            b.Support(opt, rng() & 1, rng() & 1);
        }
        std::deque<std::string> toA, toB;
        auto deliver = [](TelnetOptions &to, const std::string &msg,
                          std::deque<std::string> &back) {
            std::string replies;
            to.Received(static_cast<unsigned char>(msg[1]), static_cast<unsigned char>(msg[2]),
                        replies);
            for (std::size_t k = 0; k < replies.size(); k += 3)
                back.push_back(replies.substr(k, 3));
        };
        int messages = 0;
        for (int step = 0; step < 40; ++step) {
            std::string replies;
            TelnetOptions &who = (rng() & 1) ? a : b;
            who.Request(rng() & 1 ? TelnetSide::Us : TelnetSide::Them,
                        static_cast<unsigned char>(rng() % 4), rng() & 1, replies);
            auto &queue = &who == &a ? toB : toA;
            for (std::size_t k = 0; k < replies.size(); k += 3)
                queue.push_back(replies.substr(k, 3));
            // Deliver a random number of messages in flight.
            for (unsigned n = rng() % 3; n > 0 && (!toA.empty() || !toB.empty()); --n) {
                if (!toA.empty() && (toB.empty() || (rng() & 1))) {
                    const std::string m = toA.front();
                    toA.pop_front();
                    deliver(a, m, toB);
                } else {
                    const std::string m = toB.front();
                    toB.pop_front();
                    deliver(b, m, toA);
                }
                ++messages;
            }
        }
        while (!toA.empty() || !toB.empty()) {
            ASSERT_LT(++messages, 1000) << "the peers keep answering each other";
            if (!toA.empty()) {
                const std::string m = toA.front();
                toA.pop_front();
                deliver(a, m, toB);
            } else {
                const std::string m = toB.front();
                toB.pop_front();
                deliver(b, m, toA);
            }
        }
        for (unsigned char opt = 0; opt < 4; ++opt) {
            EXPECT_EQ(a.enabled(TelnetSide::Us, opt), b.enabled(TelnetSide::Them, opt));
            EXPECT_EQ(a.enabled(TelnetSide::Them, opt), b.enabled(TelnetSide::Us, opt));
        }
    }
}
