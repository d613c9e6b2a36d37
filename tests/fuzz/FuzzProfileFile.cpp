// The profile reader: any bytes either read whole or give one fault and no
// profile, and a profile once written reads back and writes the same bytes
// from then on. (The first read of a foreign file may still change on the
// next: a first line of nothing but blanks becomes an empty line, which the
// second read drops, as the text-gathering rule has it.) A written file cut
// after a whole line reads only when that line is an end line (or the
// header); a refused cut always stops at its last line.
#include "FuzzInput.h"
#include "core/session/ProfileFile.h"

#include <algorithm>
#include <string>

using namespace session;

namespace {

void CheckRead(const ProfileReadResult &read)
{
    fuzz::Check(read.profile.has_value() != read.error.has_value(),
                "a read gives either a profile or a fault");
}

// The file cut after `size` bytes: whether it may read, and the number of
// its last line, where a refusal has to stop. The written file's lines end
// in CR LF, and the only whole lines of it that end in the header mark are
// markers (the reader takes no data line that does).
void CheckCut(const std::string &written, std::size_t size)
{
    const std::string cut = written.substr(0, size);
    const ProfileReadResult read = ReadProfile(cut);
    CheckRead(read);
    std::size_t lines = static_cast<std::size_t>(std::count(cut.begin(), cut.end(), '\n'));
    std::string_view rest = cut;
    bool whole = true; // the last line is there up to its line end
    if (rest.ends_with("\r\n")) {
        rest.remove_suffix(2);
    } else if (rest.ends_with('\r')) {
        rest.remove_suffix(1);
        ++lines;
    } else if (!rest.empty()) {
        whole = size < written.size() && written[size] == '\r';
        ++lines;
    }
    const std::size_t start = rest.rfind('\n');
    const std::string_view last = start == std::string_view::npos ? rest : rest.substr(start + 1);
    if (whole) {
        const bool clean = last == "over\x03" || (lines == 1 && last == "QVl\x03");
        fuzz::Check(read.profile.has_value() == clean,
                    "a file cut after a whole line reads exactly when that is an end line");
    } else if (!last.ends_with('\x03')) {
        // Cut inside a data line: a name that starts with an end line, cut
        // after it, may read; nothing else cut inside a line does.
        fuzz::Check(!read.profile, "a file cut inside a line reads");
    }
    if (read.error)
        fuzz::Check(read.error->lineNumber == lines, "a cut file is refused at its last line");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 65536)
        return 0;
    const std::string_view raw(reinterpret_cast<const char *>(data), size);
    const ProfileReadResult first = ReadProfile(raw);
    CheckRead(first);
    if (!first.profile)
        return 0;
    const ProfileReadResult second = ReadProfile(WriteProfile(*first.profile));
    fuzz::Check(second.profile.has_value(), "a written profile reads back");
    const std::string written = WriteProfile(*second.profile);
    const ProfileReadResult third = ReadProfile(written);
    fuzz::Check(third.profile.has_value(), "a written profile reads back");
    fuzz::Check(WriteProfile(*third.profile) == written, "write, read, write is not stable");

    // A few cut points, picked by the input itself.
    std::uint64_t h = 1469598103934665603ull;
    for (const char c : raw)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    for (int i = 0; i < 4; ++i, h = h * 6364136223846793005ull + 1442695040888963407ull)
        CheckCut(written, static_cast<std::size_t>((h >> 16) % (written.size() + 1)));
    return 0;
}
