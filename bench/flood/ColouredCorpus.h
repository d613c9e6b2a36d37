// The coloured game corpus of the road measurements: GBK text with ANSI
// colours on every line (a bright foreground, then a background change half
// way), about 240 bytes a line, each line numbered "#N " so that triggers can
// hit an exact count of lines.
#pragma once

#include "GameTextGenerator.h"

#include <string>
#include <vector>

namespace bench {

inline std::string ColouredLine(GameTextGenerator &gen, int number)
{
    std::string line =
        "\x1b[1;3" + std::to_string(1 + number % 7) + "m#" + std::to_string(number) + " ";
    while (line.size() < 120)
        line += gen.Phrase(4) + " hp 100/100 ";
    line += "\x1b[4" + std::to_string(number % 8) + "m";
    while (line.size() < 230)
        line += gen.Phrase(3) + " north ";
    line += "\x1b[0m\r\n";
    return line;
}

// Lines numbered 1.. until the corpus holds at least `bytes`.
inline std::vector<std::string> ColouredCorpus(std::size_t bytes)
{
    GameTextGenerator gen(7);
    std::vector<std::string> lines;
    std::size_t size = 0;
    while (size < bytes) {
        lines.push_back(ColouredLine(gen, static_cast<int>(lines.size()) + 1));
        size += lines.back().size();
    }
    return lines;
}

} // namespace bench
