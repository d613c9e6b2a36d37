// The forms a log file takes: the received lines as the screen stores them,
// either plain text (colour records left out, CR LF after each line) or one
// self-contained HTML page that shows them in the screen's palette colours.
#pragma once

#include "core/screen/FrameLayout.h"
#include "core/screen/Palette.h"

#include <array>
#include <string>
#include <string_view>

namespace screen {

enum class LogFormat { kPlain, kHtml };
// The core's own text (GB18030, which is GBK for GBK text) or UTF-8.
enum class LogEncoding { kInternal, kUtf8 };

struct LogOptions
{
    LogFormat format = LogFormat::kPlain;
    LogEncoding encoding = LogEncoding::kInternal;
    bool timeStamps = false;
};

// A line's time stamp, "[HH:MM:SS] ".
std::string LogStamp(int hour, int minute, int second);

class LogForm
{
public:
    LogForm(const LogOptions &options, const ScreenLook &look);

    // What a file starts and ends with (HTML: the page around the lines).
    std::string Head() const;
    std::string Tail() const;
    // Appends one stored line (text and records) in the log's form, in the
    // core's text; `stamp` goes before it (empty for none).
    void AppendLine(std::string_view text, std::string_view attrs, std::string_view stamp,
                    std::string &out);

private:
    LogOptions options_;
    ScreenLook look_;
    Colours carried_; // colours carry from line to line as on the screen
    std::vector<ColourRun> runs_;
    std::array<std::string, 16 * 8> spanOpen_; // "<span class=\"fF bB\">" by slots
};

// Core text to UTF-8; bytes that are no character become U+FFFD.
void AppendUtf8(std::string_view text, std::string &out);

} // namespace screen
