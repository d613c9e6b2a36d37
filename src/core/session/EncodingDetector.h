// Which encoding a server speaks, told from its first non-ASCII bytes. Valid
// UTF-8 multi-byte sequences decide at once; otherwise each reading (GBK, Big5,
// and UTF-8 when it is valid) is decoded and the one whose characters are the
// most common Chinese text wins.
#pragma once

#include "core/session/Encoding.h"

#include <optional>
#include <string_view>

namespace session {

// `sample` runs from the first non-ASCII byte the server sent to the end of
// what it has sent so far. std::nullopt when it holds no whole character in
// any reading yet (a few bytes at most: a sequence the next read finishes).
// Never returns kAuto; a GBK reading that holds four-byte characters is kGb18030.
std::optional<Encoding> DetectEncoding(std::string_view sample);

} // namespace session
