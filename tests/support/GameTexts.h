// Real-looking game text (UTF-8 here) for the encoding tests, and a plain iconv
// conversion to put it into the encoding a server would send.
#pragma once

#include <cerrno>
#include <iconv.h>
#include <optional>
#include <string>
#include <string_view>

namespace testsupport {

#define QV_SGR(x) "\x1b[" x "m"

// A room description with colours, a chat line and a prompt without line end.
inline constexpr std::
    string_view
        kSimplifiedGame =
            QV_SGR("1;36") "扬州客店" QV_SGR(
                "0") "\r\n"
                     "    这是一家价钱低廉的客栈，生意非常兴隆。外地游客多选择这里落脚，你可以在这"
                     "里打听到各地的风土人情。店小二里里外外忙得团团转，接待着南腔北调的客人。\r\n"
                     "    这里明显的出口有：" QV_SGR("1;33") "north" QV_SGR("0") "、" QV_SGR("1;33") "south" QV_SGR(
                         "0") " 和 " QV_SGR("1;33") "up" QV_SGR("0") "。\r\n"
                                                                     "  店小二(Xiao er)\r\n" QV_SGR(
                                                                         "1;35") "【闲聊】张三("
                                                                                 "Zhangsan)"
                                                                                 "：大家好，今天有"
                                                                                 "谁一起去雪山"
                                                                                 "吗？" QV_SGR(
                                                                                     "0") "\r\n"
                                                                                          "气血：10"
                                                                                          "0/120  "
                                                                                          "内力：80"
                                                                                          "/80  "
                                                                                          "精神：95"
                                                                                          "/100 > ";

// The same kind of text in traditional characters, with many Big5 second
// bytes that are ASCII letters (你 A7 41) or "\" (功 A5 5C, 許 B3 5C).
inline constexpr std::
    string_view
        kTraditionalGame =
            QV_SGR("1;36") "揚州客棧" QV_SGR(
                "0") "\r\n"
                     "    這是一家價錢低廉的客棧，生意非常興隆。外地遊客多選擇這裡落腳，你可以在這"
                     "裡打聽到各地的風土人情。許多江湖人物在此談論功夫，店小二忙得團團轉。\r\n"
                     "    這裡明顯的出口有：" QV_SGR("1;33") "north" QV_SGR("0") "、" QV_SGR("1;33") "south" QV_SGR(
                         "0") " 和 " QV_SGR("1;33") "up" QV_SGR("0") "。\r\n"
                                                                     "  店小二(Xiao er)\r\n" QV_SGR(
                                                                         "1;35") "【閒聊】張三("
                                                                                 "Zhangsan)"
                                                                                 "：大家好，今天有"
                                                                                 "誰一起去練功"
                                                                                 "嗎？" QV_SGR(
                                                                                     "0") "\r\n"
                                                                                          "氣血：10"
                                                                                          "0/120  "
                                                                                          "內力：80"
                                                                                          "/80  "
                                                                                          "精神：95"
                                                                                          "/100 > ";

#undef QV_SGR

// `text` converted with iconv; std::nullopt when some character does not convert.
inline std::optional<std::string> Convert(std::string_view text, const char *to,
                                          const char *from = "UTF-8")
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(text.size() * 4 + 16, '\0');
    char *in = const_cast<char *>(text.data());
    std::size_t inLeft = text.size();
    char *o = out.data();
    std::size_t outLeft = out.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv(cd, nullptr, nullptr, &o, &outLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace testsupport
