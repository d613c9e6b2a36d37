#include "core/screen/LogForm.h"

#include "core/session/Iconv.h"

#include <cstdio>

namespace screen {

namespace {

std::string_view WithoutLineEnd(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string Css(Colour c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return buf;
}

void AppendEscaped(std::string_view text, std::string &out)
{
    // Runs of bytes that need nothing go in whole.
    std::size_t plain = 0;
    while (plain < text.size()) {
        const auto c = static_cast<unsigned char>(text[plain]);
        if (c < 0x20 || c == '&' || c == '<' || c == '>')
            break;
        ++plain;
    }
    out.append(text.data(), plain);
    text.remove_prefix(plain);
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            // Control bytes draw nothing on the screen and mean nothing in a page.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
                out += c;
        }
    }
}

} // namespace

std::string LogStamp(int hour, int minute, int second)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "[%02d:%02d:%02d] ", hour % 100, minute % 100, second % 100);
    return buf;
}

LogForm::LogForm(const LogOptions &options, const ScreenLook &look)
    : options_(options)
    , look_(look)
{
    for (int fg = 0; fg < 16; ++fg)
        for (int bg = 0; bg < 8; ++bg)
            spanOpen_[std::size_t(fg) * 8 + std::size_t(bg)] =
                "<span class=\"f" + std::to_string(fg) + " b" + std::to_string(bg) + "\">";
}

std::string LogForm::Head() const
{
    if (options_.format != LogFormat::kHtml)
        return {};
    std::string head = "<!DOCTYPE html>\r\n<html><head><meta charset=\"";
    head += options_.encoding == LogEncoding::kUtf8 ? "utf-8" : "gb18030";
    head += "\"><title>Quorvel</title>\r\n<style>\r\nbody{margin:0;background:";
    head += Css(look_.bgPalette[0]);
    head += "}\r\npre{margin:0;padding:4px;font-size:";
    head += std::to_string(look_.fontSize);
    head += "px;line-height:";
    head += std::to_string(look_.RowHeight());
    head += "px;font-family:monospace;white-space:pre-wrap}\r\n";
    for (int i = 0; i < kPaletteSlots; ++i)
        head +=
            ".f" + std::to_string(i) + "{color:" + Css(look_.fgPalette[std::size_t(i)]) + "}\r\n";
    for (int i = 0; i < 8; ++i)
        head += ".b" + std::to_string(i) + "{background:" + Css(look_.bgPalette[std::size_t(i)]) +
                "}\r\n";
    head += "</style></head><body><pre>";
    return head;
}

std::string LogForm::Tail() const
{
    if (options_.format != LogFormat::kHtml)
        return {};
    return "</pre></body></html>\r\n";
}

void LogForm::AppendLine(std::string_view text, std::string_view attrs, std::string_view stamp,
                         std::string &out)
{
    text = WithoutLineEnd(text);
    if (options_.format == LogFormat::kPlain) {
        out += stamp;
        out += text;
        out += "\r\n";
        return;
    }
    if (!stamp.empty()) {
        out += "<span class=\"f7\">";
        out += stamp;
        out += "</span>";
    }
    // Every line starts on background slot 0 and keeps the foreground the
    // line before left, as the screen paints it.
    carried_.bg = 0;
    ColourRuns(text, attrs, carried_, runs_);
    for (const ColourRun &run : runs_) {
        out += spanOpen_[std::size_t(run.fg & 15) * 8 + std::size_t(run.bg & 7)];
        AppendEscaped(text.substr(run.start, run.length), out);
        out += "</span>";
    }
    out += "\r\n";
}

void AppendUtf8(std::string_view text, std::string &out)
{
    thread_local session::Iconv convert("UTF-8", "GB18030");
    while (!text.empty()) {
        const session::Iconv::Result r = convert.Convert(text, out);
        if (r.stop == session::Iconv::Stop::kEnd)
            break;
        out += "\xEF\xBF\xBD";
        text.remove_prefix(r.taken + 1);
        convert.Flush(out);
    }
}

} // namespace screen
