#include "core/session/SessionRoad.h"

#include "core/session/TelnetStage.h"

#include <algorithm>
#include <utility>

namespace session {

std::size_t NameMarkStage::Feed(std::string_view in, std::string &out, ReplyPort &)
{
    scanner_.Feed(in);
    out.append(in);
    return in.size();
}

SessionRoad::SessionRoad(ServerWire &wire)
    : wire_(wire)
{
    auto telnet = std::make_unique<TelnetStage>();
    auto nameMark = std::make_unique<NameMarkStage>();
    telnet_ = telnet.get();
    nameMark_ = nameMark.get();
    telnet->Attach(*this);
    stages_.push_back(std::move(telnet));
    stages_.push_back(std::move(nameMark));
    buffers_.resize(stages_.size());
}

SessionRoad::~SessionRoad() = default;

void SessionRoad::Insert(Place place, std::unique_ptr<ReceiveStage> stage)
{
    auto at = stages_.end();
    if (place != Place::kAfterNameMark) {
        const ReceiveStage *before = place == Place::kBeforeTelnet
                                         ? static_cast<ReceiveStage *>(telnet_)
                                         : static_cast<ReceiveStage *>(nameMark_);
        at = std::find_if(stages_.begin(), stages_.end(),
                          [before](const auto &s) { return s.get() == before; });
    }
    stage->Attach(*this);
    stages_.insert(at, std::move(stage));
    buffers_.resize(stages_.size());
}

void SessionRoad::InsertSend(std::unique_ptr<SendStage> stage)
{
    sendStages_.push_back(std::move(stage));
}

void SessionRoad::Receive(std::string_view read, std::string &screenText)
{
    const std::size_t start = screenText.size();
    std::string again;
    if (!read.empty())
        Pass(0, read, screenText, again);
    Drain(again, screenText, start);
}

bool SessionRoad::pending() const
{
    return std::any_of(stages_.begin(), stages_.end(),
                       [](const auto &stage) { return stage->HasMore(); });
}

void SessionRoad::Continue(std::string &screenText)
{
    std::string again;
    Drain(again, screenText, screenText.size());
}

void SessionRoad::Drain(std::string &again, std::string &screenText, std::size_t start)
{
    for (;;) {
        // A stage that changed the stages before it gave the rest of the read
        // back; it goes through the whole road again, as often as that
        // happens. Each pass takes at least one byte, so the rest only shrinks.
        while (!again.empty()) {
            std::string rest = std::move(again);
            again.clear();
            Pass(0, rest, screenText, again);
        }
        if (screenText.size() - start >= kScreenBytesPerCall)
            return;
        const auto holding = std::find_if(stages_.begin(), stages_.end(),
                                          [](const auto &stage) { return stage->HasMore(); });
        if (holding == stages_.end())
            return;
        Pass(static_cast<std::size_t>(holding - stages_.begin()), {}, screenText, again);
    }
}

void SessionRoad::Pass(std::size_t first, std::string_view in, std::string &screenText,
                       std::string &again)
{
    std::string *made = nullptr; // the buffer `in` is, once a stage made it
    for (std::size_t i = first; i < stages_.size() && (i == first || !in.empty()); ++i) {
        ReceiveStage &stage = *stages_[i];
        if (stage.observesOnly()) {
            if (!in.empty())
                stage.Observe(in);
            continue;
        }
        std::string &out = buffers_[i];
        out.clear();
        // A stage given bytes takes at least one; a later stage's rest came
        // earlier in the stream than an earlier one's.
        const std::size_t took = std::max<std::size_t>(stage.Feed(in, out, *this), 1);
        if (took < in.size())
            again.insert(0, in.substr(took));
        in = out;
        made = &out;
    }
    // Handed over rather than copied, where that wastes little room: the
    // text goes on to the screen's queue as it is, and the buffer starts
    // again with room for a read like this one.
    if (made && screenText.empty() && !made->empty() && made->size() >= made->capacity() / 2) {
        const std::size_t size = made->size();
        screenText.swap(*made);
        made->clear();
        made->reserve(size);
        return;
    }
    screenText.append(in);
}

void SessionRoad::SendLine(std::string_view line)
{
    std::string_view bytes = line;
    for (std::size_t i = 0; i < sendStages_.size(); ++i) {
        std::string &out = sendBuffers_[i % 2];
        out.clear();
        sendStages_[i]->Feed(bytes, out);
        bytes = out;
    }
    wire_.WriteToServer(bytes);
}

void SessionRoad::NewConnection()
{
    for (const auto &stage : stages_)
        stage->NewConnection();
}

} // namespace session
