#include "core/session/NameMark.h"

#include "core/text/GbkText.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using session::NameMarkScanner;

namespace {

bool FeedAll(const std::vector<std::string> &reads)
{
    NameMarkScanner scanner;
    bool seen = false;
    for (const auto &r : reads)
        seen = scanner.Feed(r);
    return seen;
}

} // namespace

TEST(NameMarkScanner, FindsTheMarkOnlyOnACharacterBoundary)
{
    struct Case
    {
        std::vector<std::string> reads;
        bool seen;
    };
    const Case cases[] = {
        {{"\xC7\xEB\xCA\xE4\xC8\xEB\xC4\xE3\xB5\xC4\xC3\xFB\xD7\xD6"}, true}, // 请输入你的名字
        {{"name: \xC3\xFB"}, true},
        {{"no mark here"}, false},
        // C3 is the second byte of B4 C3: the mark is not there.
        {{"\xB4\xC3\xFB\xA1"}, false},
        // The mark broken between two reads.
        {{"abc\xC3", "\xFB"}, true},
        // A read that ends on a lead byte: the next read begins with its second
        // byte, so C3 FB there is misaligned.
        {{"a\xB4", "\xC3\xFB"}, false},
        {{"a\xB4", "\xC3", "\xFB", "x\xC3\xFB"}, true},
        {{"", "\xC3\xFB"}, true},
    };
    for (const auto &c : cases) {
        std::string joined;
        for (const auto &r : c.reads)
            joined += r + "|";
        EXPECT_EQ(FeedAll(c.reads), c.seen) << joined;
    }
}

TEST(NameMarkScanner, AgreesWithTheCharacterwiseSearchHoweverTheTextIsSplit)
{
    std::mt19937 rng(5);
    const std::string_view pieces[] = {"\xC3", "\xFB", "\xC3\xFB", "a", "\x81", "\xB4"};
    for (int n = 0; n < 5000; ++n) {
        std::string text;
        const int len = static_cast<int>(rng() % 10);
        for (int i = 0; i < len; ++i)
            text += pieces[rng() % std::size(pieces)];
        const bool expected = gbk::FindCharwise(text, NameMarkScanner::kMark) != gbk::npos;
        NameMarkScanner scanner;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t take = 1 + rng() % 3;
            scanner.Feed(std::string_view(text).substr(at, take));
            at += take;
        }
        EXPECT_EQ(scanner.seen(), expected) << n;
    }
}

TEST(NameMarkScanner, EachByteIsLookedAtOnce)
{
    // The worst case of the old search: a long odd run of lead bytes, then the
    // mark's bytes over and over, all of them misaligned. Every near miss used
    // to walk back over the whole run.
    NameMarkScanner scanner;
    const std::string run(1024 * 1024 + 1, '\x81');
    std::string misses;
    for (int i = 0; i < 512 * 1024; ++i)
        misses += "\xC3\xFB";
    EXPECT_FALSE(scanner.Feed(run));
    EXPECT_FALSE(scanner.Feed(misses));
    EXPECT_EQ(scanner.bytesScanned(), run.size() + misses.size());
    // Once seen, later reads are not looked at.
    EXPECT_TRUE(scanner.Feed("\x81\xC3\xFB"));
    const std::size_t after = scanner.bytesScanned();
    EXPECT_TRUE(scanner.Feed(misses));
    EXPECT_EQ(scanner.bytesScanned(), after);
}
