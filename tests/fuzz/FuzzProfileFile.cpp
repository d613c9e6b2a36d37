// The profile reader: any bytes either read whole or give one fault, and a
// profile once written reads back and writes the same bytes from then on. (The
// first read of a foreign file may still change on the next: a first line of
// nothing but blanks becomes an empty line, which the second read drops, as
// the text-gathering rule has it.)
#include "FuzzInput.h"
#include "core/session/ProfileFile.h"

#include <string>

using namespace session;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 65536)
        return 0;
    const std::string_view raw(reinterpret_cast<const char *>(data), size);
    const ProfileReadResult first = ReadProfile(raw);
    fuzz::Check(first.profile.has_value() != first.error.has_value(),
                "a read gives either a profile or a fault");
    if (!first.profile)
        return 0;
    const ProfileReadResult second = ReadProfile(WriteProfile(*first.profile));
    fuzz::Check(second.profile.has_value(), "a written profile reads back");
    const std::string written = WriteProfile(*second.profile);
    const ProfileReadResult third = ReadProfile(written);
    fuzz::Check(third.profile.has_value(), "a written profile reads back");
    fuzz::Check(WriteProfile(*third.profile) == written, "write, read, write is not stable");
    return 0;
}
