// The transcoding stage in front of the decoder: the benchmark's game stream
// as a GBK, a UTF-8 and a Big5 server would send it, each read transcoded and
// decoded as a window does (compare the three; GBK passes the stage as it is).
#include "GameTextGenerator.h"
#include "Reencode.h"
#include "core/screen/LineStore.h"
#include "core/session/Transcoder.h"

#include <benchmark/benchmark.h>

namespace {

using session::Encoding;

// The stream in `to`, read by read; characters `to` lacks are left out.
std::vector<std::string> Chunks(const char *to)
{
    bench::Reencoder reencode(to);
    std::vector<std::string> out;
    for (const std::string &c : bench::GameChunks())
        out.push_back(reencode(c));
    return out;
}

void BM_TranscodeThenDecode(benchmark::State &state, Encoding e, const char *iconvName)
{
    static std::vector<std::string> chunks;
    chunks = e == Encoding::kGbk ? bench::GameChunks() : Chunks(iconvName);
    std::size_t bytes = 0;
    for (auto _ : state) {
        session::Transcoder transcoder(e);
        screen::LineStore store;
        screen::Decoder decoder;
        screen::Decoder::Batch batch;
        std::string text;
        for (const auto &c : chunks) {
            text.clear();
            transcoder.Feed(c, text);
            screen::DecodeInto(decoder, batch, store, text);
            bytes += c.size();
        }
        benchmark::DoNotOptimize(store.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK_CAPTURE(BM_TranscodeThenDecode, Gbk, Encoding::kGbk, "GBK")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TranscodeThenDecode, Utf8, Encoding::kUtf8, "UTF-8")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TranscodeThenDecode, Big5, Encoding::kBig5, "BIG5-HKSCS")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TranscodeThenDecode, Utf8Detected, Encoding::kAuto, "UTF-8")
    ->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The stage alone, without the decoder.
void BM_TranscodeOnly(benchmark::State &state, Encoding e, const char *iconvName)
{
    static std::vector<std::string> chunks;
    chunks = e == Encoding::kGbk ? bench::GameChunks() : Chunks(iconvName);
    std::size_t bytes = 0;
    for (auto _ : state) {
        session::Transcoder transcoder(e);
        std::string text;
        for (const auto &c : chunks) {
            text.clear();
            transcoder.Feed(c, text);
            bytes += c.size();
        }
        benchmark::DoNotOptimize(text.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK_CAPTURE(BM_TranscodeOnly, Gbk, Encoding::kGbk, "GBK")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TranscodeOnly, Utf8, Encoding::kUtf8, "UTF-8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TranscodeOnly, Big5, Encoding::kBig5, "BIG5-HKSCS")
    ->Unit(benchmark::kMillisecond);

} // namespace

#include "core/session/SessionRoad.h"
#include "core/session/TranscodeStages.h"
#include "flood/ColouredCorpus.h"

namespace {

// What the window's thread does with each read of the encoding flood: the
// whole receive road (telnet, transcoding, name mark) over the flood's
// coloured corpus in reads of a socket buffer, each read's text handed on as
// the window hands it to the screen queue. Compare the three encodings.
class NoWire : public session::ServerWire
{
public:
    void WriteToServer(std::string_view) override {}
};

const std::string &ColouredStream()
{
    static const std::string stream = [] {
        std::string s;
        for (const std::string &line : bench::ColouredCorpus(8 << 20))
            s += line;
        return s;
    }();
    return stream;
}

void BM_ReceiveRoad(benchmark::State &state, Encoding e, const char *iconvName)
{
    static std::vector<std::string> reads;
    const std::string wire =
        e == Encoding::kGbk ? ColouredStream() : bench::Reencoder(iconvName)(ColouredStream());
    reads = bench::GameTextGenerator::Chunks(wire, 64 * 1024);
    std::size_t bytes = 0;
    for (auto _ : state) {
        NoWire sink;
        session::SessionRoad road(sink);
        road.Insert(session::SessionRoad::Place::kAfterTelnet,
                    std::make_unique<session::TranscodeStage>(e));
        std::size_t shown = 0;
        for (const auto &r : reads) {
            std::string text;
            road.Receive(r, text);
            std::string handed = std::move(text);
            shown += handed.size();
            bytes += r.size();
        }
        benchmark::DoNotOptimize(shown);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK_CAPTURE(BM_ReceiveRoad, Gbk, Encoding::kGbk, "GBK")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReceiveRoad, Utf8, Encoding::kUtf8, "UTF-8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReceiveRoad, Big5, Encoding::kBig5, "BIG5-HKSCS")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReceiveRoad, Utf8Detected, Encoding::kAuto, "UTF-8")
    ->Unit(benchmark::kMillisecond);

} // namespace
