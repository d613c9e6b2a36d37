// Takes a fuzzer's bytes apart: small numbers from the front, pieces of text
// cut at a separator byte. Running out of bytes gives zeros and empty texts,
// so every input means something.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

class Input
{
public:
    Input(const std::uint8_t *data, std::size_t size)
        : rest_(reinterpret_cast<const char *>(data), size)
    {}

    std::uint8_t Byte()
    {
        if (rest_.empty())
            return 0;
        const auto b = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }

    bool Bool() { return Byte() & 1; }

    // The text up to the next `separator` byte (which is consumed), or all
    // that is left.
    std::string_view Piece(char separator)
    {
        const std::size_t at = rest_.find(separator);
        const std::string_view piece = rest_.substr(0, at);
        rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
        return piece;
    }

    std::string_view Rest() const { return rest_; }
    bool empty() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

// An invariant that does not hold: the fuzzer keeps the input and stops.
[[noreturn]] inline void Broken(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void Check(bool holds, const char *what)
{
    if (!holds)
        Broken(what);
}

} // namespace fuzz
