#include "core/screen/StoreSearch.h"

#include <gtest/gtest.h>

using screen::LineStore;
using screen::SearchWay;
using screen::StoreMatch;
using screen::StoreSearch;

namespace {

struct Store
{
    screen::Decoder decoder;
    screen::Decoder::Batch batch;
    LineStore store;
    void Add(std::string_view text) { screen::DecodeInto(decoder, batch, store, text); }
};

std::vector<std::size_t> Starts(std::string_view needle, std::string_view text)
{
    std::vector<std::size_t> out;
    StoreSearch(needle).Scan(text, [&](std::size_t p) {
        out.push_back(p);
        return true;
    });
    return out;
}

} // namespace

TEST(StoreSearch, CharacterWiseAndAsciiCaseRules)
{
    struct Case
    {
        const char *needle, *text;
        std::vector<std::size_t> starts;
    };
    // 中 D6D0, 文 CEC4, 啊 B0A1; "\xB0\x41" is one character whose second byte is "A";
    // "\x81\x30\x81\x30" is a four-byte character.
    const Case cases[] = {
        {"north", "North NORTH north nOrTh", {0, 6, 12, 18}},
        {"a",
         "\xB0\x41"
         "a",
         {2}}, // never the second byte, folded or not
        {"A",
         "\xB0\x41"
         "A",
         {2}},
        {"\xD0\xCE", "\xD6\xD0\xCE\xC4", {}}, // spans two characters: not one
        {"\xD6\xD0", "x\xD6\xD0\xD6\xD0", {1, 3}},
        {"0",
         "\x81\x30\x81\x30"
         "0",
         {4}}, // not the digits inside a four-byte character
        {"\x81\x30",
         "\x81\x30\x81\x30"
         "\x81\x30\x81\x30",
         {0, 4}},
        {"\xB0\x61", "\xB0\x41\xB0\x61", {2}}, // a second byte matches exactly
        {"hp:", "HP:100 hp:9", {0, 7}},
        {"aa", "aaa", {0, 1}},
        {"", "anything", {}},
        {"long needle", "short", {}},
        {"\xCE\xC4x", "\xD6\xD0\xCE\xC4X", {2}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Starts(c.needle, c.text), c.starts) << c.needle << " in " << c.text;
}

TEST(StoreSearch, OlderAndNewerWrapRound)
{
    Store s;
    s.Add("one hp\r\ntwo\r\nHP three hp\r\nfour\r\n");
    const StoreSearch find("hp");
    const auto older = [&](std::optional<StoreMatch> from) {
        return find.Find(s.store, from, SearchWay::kOlder);
    };
    const auto newer = [&](std::optional<StoreMatch> from) {
        return find.Find(s.store, from, SearchWay::kNewer);
    };
    const StoreMatch a{0, 4, 2}, b{2, 0, 2}, c{2, 9, 2};
    EXPECT_EQ(older(std::nullopt), c); // from the bottom up
    EXPECT_EQ(older(c), b);
    EXPECT_EQ(older(b), a);
    EXPECT_EQ(older(a), c); // round past the top
    EXPECT_EQ(newer(std::nullopt), a);
    EXPECT_EQ(newer(a), b);
    EXPECT_EQ(newer(b), c);
    EXPECT_EQ(newer(c), a); // round past the bottom

    const StoreSearch once("four");
    const StoreMatch only{3, 0, 4};
    EXPECT_EQ(once.Find(s.store, only, SearchWay::kOlder), only);
    EXPECT_EQ(once.Find(s.store, only, SearchWay::kNewer), only);
    EXPECT_EQ(StoreSearch("none").Find(s.store, std::nullopt, SearchWay::kOlder), std::nullopt);
}

TEST(StoreSearch, MatchesKeepTheirLinesAsTheStoreDropsOldOnes)
{
    Store s;
    s.Add("mark first\r\n");
    for (std::size_t i = 1; i < 2000; ++i)
        s.Add("filler " + std::to_string(i) + "\r\n");
    s.Add("mark second\r\n");
    const StoreSearch find("MARK");
    const auto second = find.Find(s.store, std::nullopt, SearchWay::kOlder);
    ASSERT_EQ(second, (StoreMatch{2000, 0, 4}));
    // Lines until the store drops its oldest, the first mark with them.
    for (std::size_t i = 0; s.store.firstLine() == 0; ++i)
        s.Add("more " + std::to_string(i) + "\r\n");
    ASSERT_LE(s.store.firstLine(), 2000u);
    // The same line by its number, though its index moved; no stale first mark.
    EXPECT_EQ(find.Find(s.store, second, SearchWay::kOlder), second);
    EXPECT_EQ(find.Find(s.store, std::nullopt, SearchWay::kNewer), second);
    EXPECT_EQ(s.store.lines()[std::size_t(second->line - s.store.firstLine())].text,
              "mark second\r\n");
    // A match whose line is gone starts again from the end.
    EXPECT_EQ(find.Find(s.store, StoreMatch{0, 0, 4}, SearchWay::kOlder), second);
}
