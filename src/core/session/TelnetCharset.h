// The charset names a server may offer in a telnet CHARSET request, and the
// choice among them: the site's own encoding when it is offered, or on
// automatic the first offered one the transcoder can decode.
#pragma once

#include <string>
#include <string_view>

namespace session {

// The encoding a name stands for, as the transcoder names it ("UTF-8", "GBK",
// "GB18030", "BIG5"), ignoring case; empty for a name we cannot decode.
std::string CanonicalCharset(std::string_view name);

struct CharsetChoice
{
    bool accepted = false;
    std::string offered;   // the name as the server spelled it, for the answer
    std::string canonical; // the encoding the transcoder switches to
};

// `request` is what follows the REQUEST byte: an optional "[TTABLE]" and its
// version byte, then a separator byte and the names, each after a separator.
// `siteEncoding` is the site's setting, empty for automatic.
CharsetChoice ChooseCharset(std::string_view request, std::string_view siteEncoding);

} // namespace session
