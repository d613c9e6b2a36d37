// Generates realistic game text for the benchmarks: mixed GBK and ASCII,
// about 30% of lines coloured, some TABs and prompts without a line end.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace bench {

class GameTextGenerator
{
public:
    explicit GameTextGenerator(unsigned seed = 42)
        : rng_(seed)
    {}

    // A common GBK character (first level hanzi range).
    std::string Hanzi()
    {
        std::string s;
        s += static_cast<char>(0xB0 + rng_() % 40);
        s += static_cast<char>(0xA1 + rng_() % 94);
        return s;
    }

    std::string Phrase(int chars)
    {
        std::string s;
        for (int i = 0; i < chars; ++i)
            s += Hanzi();
        return s;
    }

    std::string Line()
    {
        static const char *words[] = {"north", "hp", "sword", "look", "Bob", "100/100", "exp"};
        std::string s;
        const bool coloured = rng_() % 10 < 3;
        if (coloured)
            s += "\x1b[1;3" + std::to_string(1 + rng_() % 7) + "m";
        if (rng_() % 10 == 0)
            s += "\t";
        const int pieces = 4 + rng_() % 10;
        for (int i = 0; i < pieces; ++i) {
            if (rng_() % 3 == 0) {
                s += words[rng_() % 7];
                s += ' ';
            } else {
                s += Phrase(1 + rng_() % 4);
            }
        }
        if (coloured)
            s += "\x1b[0m";
        // Prompts come without a line end.
        if (rng_() % 50 == 0)
            return s + "> ";
        return s + "\r\n";
    }

    std::string Stream(std::size_t bytes)
    {
        std::string s;
        while (s.size() < bytes)
            s += Line();
        return s;
    }

    // Splits a stream into socket-sized chunks.
    static std::vector<std::string> Chunks(const std::string &stream, std::size_t size)
    {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < stream.size(); i += size)
            out.push_back(stream.substr(i, size));
        return out;
    }

    std::mt19937 &rng() { return rng_; }

private:
    std::mt19937 rng_;
};

// The receive benchmarks' common input: 16 MiB of game text in 64 KiB reads.
constexpr std::size_t kStreamBytes = 16 << 20;
constexpr std::size_t kChunk = 64 << 10;
inline const std::vector<std::string> &GameChunks()
{
    static const std::vector<std::string> chunks = [] {
        GameTextGenerator gen;
        return GameTextGenerator::Chunks(gen.Stream(kStreamBytes), kChunk);
    }();
    return chunks;
}

} // namespace bench
