// One zlib stream of a compressed session (MCCP2), inflated in bounded pieces:
// each call writes at most the output asked for, so a small compressed burst
// cannot expand without bound in one step.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace session {

class Inflater
{
public:
    enum class Status {
        More,   // the stream goes on: more input, or more room, is needed
        End,    // the stream ended; bytes after it are not compressed
        Broken, // corrupt data: nothing more can be read from this stream
    };
    struct Result
    {
        std::size_t taken = 0; // input bytes consumed
        Status status = Status::More;
    };

    Inflater();
    ~Inflater();
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // Begins a new stream (after an earlier one ended or broke).
    void Start();
    bool active() const { return active_; }

    // Inflates from `in`, appending at most `maxOut` bytes to `out`. Stops
    // when the output is full, the input is used up, or the stream ends.
    Result Inflate(std::string_view in, std::string &out, std::size_t maxOut);
    // The last call stopped because its output was full: zlib may hold more
    // output from input it has already taken, to be had by another call
    // (with no new input, if need be).
    bool outputFull() const { return outputFull_; }

private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
    bool active_ = false;
    bool outputFull_ = false;
};

} // namespace session
