// The multi-piece search under the trigger prefilter, and the prefilter's
// choice of candidates when rows come in families sharing their first words.
#include "core/automation/AhoCorasick.h"

#include "core/automation/TriggerPrefilter.h"
#include "core/automation/Triggers.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>

using namespace automation;

namespace {

std::set<int> Found(AhoCorasick &ac, std::string_view text)
{
    std::set<int> found;
    ac.Scan(text,
            [&](int id) { EXPECT_TRUE(found.insert(id).second) << "reported twice: " << id; });
    return found;
}

} // namespace

TEST(AhoCorasick, FindsOverlappingAndNestedPieces)
{
    struct Case
    {
        std::vector<std::string_view> pieces;
        std::string_view text;
        std::set<int> found;
    };
    const Case cases[] = {
        {{"he", "she", "his", "hers"}, "ushers", {0, 1, 3}},
        {{"he", "she", "his", "hers"}, "ahishe", {0, 1, 2}},
        {{"a", "aa", "aaa"}, "aa", {0, 1}},
        {{"abcd", "bc", "c"}, "abce", {1, 2}}, // a failed long piece still reports its inner ones
        {{"x"}, "", {}},
        // GBK: 中 (D6D0) and 文 (CEC4); bytes are bytes, as for the matcher.
        {{"\xd6\xd0", "\xce\xc4", "\xd0\xce"}, "\xd6\xd0\xce\xc4", {0, 1, 2}},
        {{"\xff\x80"}, "\x7f\xff\x80", {0}},
    };
    for (const Case &c : cases) {
        AhoCorasick ac;
        ac.Build(c.pieces);
        EXPECT_EQ(Found(ac, c.text), c.found) << c.text;
        EXPECT_EQ(Found(ac, c.text), c.found) << "second scan of " << c.text;
    }
}

// Random pieces over a small alphabet (busy nodes get tables, quiet ones
// lists) against a plain search for each piece.
TEST(AhoCorasick, AgreesWithSearchingEachPiece)
{
    std::mt19937 rng(11);
    const std::string alphabet = "abcdefghij\xb0\xd6\xa1\xfe";
    auto word = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += alphabet[rng() % alphabet.size()];
        return s;
    };
    for (int round = 0; round < 20; ++round) {
        std::set<std::string> distinct;
        while (distinct.size() < 60)
            distinct.insert(word(1 + static_cast<int>(rng() % 5)));
        const std::vector<std::string> owned(distinct.begin(), distinct.end());
        const std::vector<std::string_view> pieces(owned.begin(), owned.end());
        AhoCorasick ac;
        ac.Build(pieces);
        for (int n = 0; n < 50; ++n) {
            const std::string text = word(static_cast<int>(rng() % 30));
            std::set<int> expected;
            for (std::size_t i = 0; i < pieces.size(); ++i)
                if (text.find(pieces[i]) != std::string::npos)
                    expected.insert(static_cast<int>(i));
            ASSERT_EQ(Found(ac, text), expected) << text;
        }
    }
}

TEST(TriggerPrefilter, SplitsPatternsIntoTheirLiteralPieces)
{
    struct Case
    {
        std::string_view pattern;
        bool canMatch;
        std::vector<std::string_view> pieces;
    };
    const Case cases[] = {
        {"plain", true, {"plain"}},
        {"(*)says(*)", true, {"says"}},
        {"You hit (*) with (*)!", true, {"You hit ", " with ", "!"}},
        {"a(*)(*)b", false, {}},
        {"(*)", false, {}},
        {"", false, {}},
    };
    std::vector<std::string_view> pieces;
    for (const Case &c : cases) {
        EXPECT_EQ(TriggerPrefilter::LiteralPieces(c.pattern, pieces), c.canMatch) << c.pattern;
        if (c.canMatch) {
            EXPECT_EQ(pieces, c.pieces) << c.pattern;
        }
    }
}

// Rows sharing first words are told apart by their other pieces: a line with
// the shared opening alone makes none of them candidates, a line with one
// row's own piece makes only that row one.
TEST(TriggerPrefilter, FamiliesSharingFirstWordsAreToldApart)
{
    std::vector<std::string> patterns;
    for (const char *weapon : {"sword", "axe", "spear", "club", "whip", "staff"})
        patterns.push_back(std::string("You hit (*) with your ") + weapon);
    patterns.push_back("\xc4\xe3\xcf\xf2(*)\xb4\xcc\xc8\xa5");    // 你向(*)刺去
    patterns.push_back("\xc4\xe3\xcf\xf2(*)\xc5\xfc\xc8\xa5");    // 你向(*)劈去
    patterns.push_back("(*)\xc4\xe3\xcf\xf2(*)\xc5\xfc\xc8\xa5"); // the same with a leading capture
    TriggerPrefilter pf;
    pf.Build(patterns);
    struct Case
    {
        std::string line;
        std::vector<std::uint32_t> candidates;
    };
    const Case cases[] = {
        {"You hit the orc with your fist\r\n", {}},
        {"You hit the orc with your axe\r\n", {1}},
        {" with your whip. You hit it\r\n", {4}}, // pieces out of order: the matcher decides
        {"\xc4\xe3\xcf\xf2\xb9\xd6\xce\xef\xc5\xfc\xc8\xa5\r\n", {7, 8}},
        {"\xc4\xe3\xcf\xf2\xb9\xd6\xce\xef\r\n", {}},
    };
    std::vector<std::uint32_t> out;
    for (const Case &c : cases) {
        pf.Candidates(c.line, out);
        EXPECT_EQ(out, c.candidates) << c.line;
    }
}
