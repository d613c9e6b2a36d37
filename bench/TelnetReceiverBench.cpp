// A flood through the negotiating telnet stage into the decoder, plain and
// compressed the way a server compresses (MCCP2, a sync flush per write):
// compare the two times, and the bytes on the wire (the "wire" counter).
#include "GameTextGenerator.h"
#include "core/screen/LineStore.h"
#include "core/session/TelnetReceiver.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

namespace {

const std::string kStart("\xFF\xFB\x56\xFF\xFA\x56\xFF\xF0", 8);

// The same reads a server would send with compression on.
const std::vector<std::string> &CompressedChunks()
{
    static const std::vector<std::string> chunks = [] {
        std::vector<std::string> out{kStart};
        z_stream z{};
        deflateInit(&z, Z_DEFAULT_COMPRESSION);
        std::vector<unsigned char> buffer(1 << 16);
        for (const std::string &c : bench::GameChunks()) {
            std::string packed;
            z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(c.data()));
            z.avail_in = static_cast<uInt>(c.size());
            do {
                z.next_out = buffer.data();
                z.avail_out = static_cast<uInt>(buffer.size());
                deflate(&z, Z_SYNC_FLUSH);
                packed.append(reinterpret_cast<const char *>(buffer.data()),
                              buffer.size() - z.avail_out);
            } while (z.avail_out == 0);
            out.push_back(std::move(packed));
        }
        deflateEnd(&z);
        return out;
    }();
    return chunks;
}

void RunThroughDecoder(benchmark::State &state, const std::vector<std::string> &chunks)
{
    std::size_t wire = 0;
    for (const auto &c : chunks)
        wire += c.size();
    std::size_t text = 0;
    for (auto _ : state) {
        session::TelnetReceiver receiver;
        screen::LineStore store;
        screen::Decoder decoder;
        screen::Decoder::Batch batch;
        session::TelnetOutput out;
        text = 0;
        for (const auto &c : chunks) {
            receiver.Feed(c);
            bool more = true;
            while (more) {
                out.Clear();
                more = receiver.Step(out);
                screen::DecodeInto(decoder, batch, store, out.text);
                text += out.text.size();
            }
        }
        benchmark::DoNotOptimize(store.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(text * state.iterations()));
    state.counters["wire"] = static_cast<double>(wire);
    state.counters["text"] = static_cast<double>(text);
}

void BM_FloodPlainThroughTelnetAndDecoder(benchmark::State &state)
{
    RunThroughDecoder(state, bench::GameChunks());
}
BENCHMARK(BM_FloodPlainThroughTelnetAndDecoder)->Unit(benchmark::kMillisecond);

void BM_FloodCompressedThroughTelnetAndDecoder(benchmark::State &state)
{
    RunThroughDecoder(state, CompressedChunks());
}
BENCHMARK(BM_FloodCompressedThroughTelnetAndDecoder)->Unit(benchmark::kMillisecond);

} // namespace
