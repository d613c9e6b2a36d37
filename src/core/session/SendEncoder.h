// The send road's mirror of the transcoding stage: the core's text (GB18030)
// of a line to send, in the server's encoding. A character the server's
// encoding cannot carry goes as "?", and the caller learns which one, so the
// window can say so.
#pragma once

#include "core/session/Encoding.h"
#include "core/session/Iconv.h"

#include <memory>
#include <string>
#include <string_view>

namespace session {

class SendEncoder
{
public:
    explicit SendEncoder(Encoding target = Encoding::kGbk);

    // kAuto sends GBK (what the server is assumed to read until told otherwise).
    void SetEncoding(Encoding target);
    Encoding target() const { return target_; }

    struct Result
    {
        std::size_t unsent = 0;  // characters sent as "?"
        std::string firstUnsent; // the first of them, in the core's text
    };
    // Appends `line` in the target encoding to `out`.
    Result Encode(std::string_view line, std::string &out);

private:
    Encoding target_ = Encoding::kGbk;
    std::unique_ptr<Iconv> converter_;
};

} // namespace session
