// A small owner of one glibc iconv conversion. glibc's converters are the
// system's own, well-kept tables for every encoding a Chinese server speaks
// (GB18030, UTF-8, Big5-HKSCS), so the program carries no tables of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace session {

class Iconv
{
public:
    // `to` and `from` are iconv names; see valid().
    Iconv(const char *to, const char *from);
    ~Iconv();
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;

    // False when the library has no such conversion.
    bool valid() const { return cd_ != kInvalid; }

    enum class Stop {
        kEnd,        // everything was converted
        kBadByte,    // the byte at `taken` does not start a character that converts
        kIncomplete, // the bytes from `taken` on begin a character not yet complete
    };
    struct Result
    {
        std::size_t taken;
        Stop stop;
    };
    // Converts `in` from its start, appending to `out`, up to its end or the
    // first place it cannot go on.
    Result Convert(std::string_view in, std::string &out);
    // Back to the initial state, writing what a stateful target still holds.
    void Flush(std::string &out);

    // The best Big5 the library has: Big5-HKSCS, else plain Big5.
    static const char *Big5Name();

private:
    using Handle = void *;
    static inline const Handle kInvalid = reinterpret_cast<Handle>(-1);
    Handle cd_;
};

} // namespace session
