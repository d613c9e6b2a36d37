// The screen thread's road for benchmarks: decode a chunk, run the triggers on
// each finished line and on the present form of a line still arriving, then
// commit to the store. Returns the finished lines of the chunk.
#pragma once

#include "core/automation/Triggers.h"
#include "core/screen/Decoder.h"
#include "core/screen/LineStore.h"

#include <string_view>

namespace bench {

inline std::size_t DecodeWithTriggers(screen::Decoder &decoder, screen::Decoder::Batch &batch,
                                      screen::LineStore &store, automation::TriggerEngine &engine,
                                      std::string_view chunk)
{
    batch.count = 0;
    decoder.Feed(chunk, batch);
    for (std::size_t k = 0; k < batch.count; ++k)
        engine.CheckTriggers(batch.lines[k].text);
    if (decoder.inLine()) {
        const auto &form = decoder.PartialForm();
        for (const auto &d : form)
            engine.CheckTriggers(d.text);
        engine.MarkUnfinishedLine(decoder.PartialRaw());
        store.Commit(batch.lines.data(), batch.count, &form, decoder.TakeUnchanged());
    } else {
        store.Commit(batch.lines.data(), batch.count);
    }
    return batch.count;
}

} // namespace bench
