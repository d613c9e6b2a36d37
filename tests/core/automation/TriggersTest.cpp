#include "core/automation/Triggers.h"

#include <gtest/gtest.h>
#include <random>

using namespace automation;

namespace {

const std::string kOn(kTriggerOn);

struct Match
{
    const char *line;
    const char *pattern;
    bool matches;
    std::vector<std::string> captures;
};

// A table with the blank last row the editor always leaves.
TriggerTable Table(std::initializer_list<std::array<const char *, 4>> rows)
{
    TriggerTable t;
    for (const auto &r : rows)
        t.AddRow(r[0], r[1], r[2], r[3]);
    t.AddRow(" ", " ", " ", "");
    return t;
}

struct Recorder
{
    TriggerEngine engine;
    std::vector<std::string> fired;
    std::vector<std::string> notices;
    std::int64_t now = 1000;
    Recorder()
    {
        engine.SetFire([this](std::string c) { fired.push_back(std::move(c)); });
        engine.SetThrottleNotice([this](std::string_view p) { notices.emplace_back(p); });
        engine.SetClock([this] { return now; });
    }
};

} // namespace

TEST(MatchPattern, Table)
{
    const Match cases[] = {
        {"you have 10 hp left", "hp", true, {}},
        {"you have 10 hp left", "HP", false, {}},
        {"anything", "", false, {}},
        {"anything", "(*)", false, {}},
        {"xxa12b34b", "a(*)b", true, {"12"}},
        {"  The orc dies.\r\n", "(*) dies.", true, {"The orc"}},
        {"Bob tells you: hello there\r\n", "(*) tells you: (*)", true, {"Bob", "hello there"}},
        {"abc", "(*)(*)c", false, {}},
        {"abc", "a(*)(*)c", false, {}},
        {"a-b-c", "a(*)b(*)c", true, {"-", "-"}},
        {"prefix key", "key(*)", true, {""}},
        {"no match here", "x(*)y", false, {}},
        // No backtracking: the first "b" after "a" ends the capture.
        {"a1b2c", "a(*)b(*)c", true, {"1", "2"}},
        {"a1c2b", "a(*)b(*)c", false, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.line) + " ~ " + c.pattern);
        std::vector<std::string> caps{"stale"};
        EXPECT_EQ(MatchPattern(c.line, c.pattern, caps), c.matches);
        if (c.matches) {
            EXPECT_EQ(caps, c.captures);
        }
    }
}

TEST(SubstitutePlaceholders, HighestIndexFirstAndEveryOccurrence)
{
    std::vector<std::string> caps(11);
    caps[0] = "Bob";
    caps[1] = "one";
    caps[10] = "ten";
    EXPECT_EQ(SubstitutePlaceholders("tell %0 %1 %10 %0", caps), "tell Bob one ten Bob");
    EXPECT_EQ(SubstitutePlaceholders("x %3", {"a"}), "x %3");
}

TEST(SubstitutePlaceholders, CaptureHoldingItsOwnPlaceholderEnds)
{
    EXPECT_EQ(SubstitutePlaceholders("say %0 and %0", {"%0"}), "say %0 and %0");
    EXPECT_EQ(SubstitutePlaceholders("say %0", {"%0%0"}), "say %0%0");
}

TEST(CheckTriggers, MatchingRowsFireInTableOrderWithCaptures)
{
    Recorder r;
    r.engine.Replace(Table({{kOn.c_str(), "(*)对你说道：(*)", "say %0 你好\r\n", "A"},
                            {kOn.c_str(), "说道", "smile\r\n", "B"},
                            {" ", "说道", "disabled\r\n", "C"}}));
    r.engine.CheckTriggers("小狗对你说道：你好\r\n");
    EXPECT_EQ(r.fired, (std::vector<std::string>{"say 小狗 你好\r\n", "smile\r\n"}));
}

TEST(CheckTriggers, BlankLastRowNeverFiresEvenWhenMarked)
{
    Recorder r;
    TriggerTable t;
    t.AddRow(kOn, "x", "one", "");
    t.AddRow(kOn, "x", "last", "");
    r.engine.Replace(t);
    r.engine.CheckTriggers("x");
    EXPECT_EQ(r.fired, (std::vector<std::string>{"one"}));
}

TEST(CheckTriggers, PromptWithoutLineEndFiresOnceAcrossPieces)
{
    Recorder r;
    r.engine.Replace(Table({{kOn.c_str(), "Password:", "secret\r\n", ""}}));
    // The screen decodes the unfinished prompt at once, then marks it.
    r.engine.CheckTriggers("Password:");
    r.engine.MarkUnfinishedLine("Password:");
    EXPECT_EQ(r.fired.size(), 1u);
    // The completed line is tested again: the row sits out this one line.
    r.engine.CheckTriggers("Password:\r\n");
    EXPECT_EQ(r.fired.size(), 1u);
    // ...and is armed for later lines.
    r.engine.CheckTriggers("Password:\r\n");
    EXPECT_EQ(r.fired.size(), 2u);
}

TEST(CheckTriggers, SwitchOffStopsFiringAndMarking)
{
    Recorder r;
    r.engine.Replace(Table({{kOn.c_str(), "hp", "x", ""}}));
    r.engine.triggersEnabled = false;
    r.engine.CheckTriggers("hp");
    r.engine.MarkUnfinishedLine("hp");
    r.engine.triggersEnabled = true;
    r.engine.CheckTriggers("hp");
    EXPECT_EQ(r.fired.size(), 1u); // not marked while off, so it fires now
}

TEST(CheckTriggers, DisabledRowIsNotMarkedByAnUnfinishedLine)
{
    Recorder r;
    r.engine.Replace(Table({{" ", "hp", "x", "G"}}));
    r.engine.MarkUnfinishedLine("hp");
    r.engine.SetGroupEnabled("G", true);
    r.engine.CheckTriggers("hp");
    EXPECT_EQ(r.fired.size(), 1u);
}

TEST(CheckTriggers, GroupSwitchWalksTheAdjacentRowsOfTheGroup)
{
    Recorder r;
    r.engine.Replace(Table({{kOn.c_str(), "a", "1", "FIGHT"},
                            {kOn.c_str(), "a", "2", "FIGHT"},
                            {kOn.c_str(), "a", "3", "HEAL"},
                            {kOn.c_str(), "a", "4", "FIGHT"}}));
    r.engine.SetGroupEnabled("FIGHT", false);
    r.engine.CheckTriggers("a");
    // The walk stops at the first row of another group.
    EXPECT_EQ(r.fired, (std::vector<std::string>{"3", "4"}));
    TriggerTable t = r.engine.Snapshot();
    EXPECT_EQ(t.triggerEnabled[0], " ");
    r.engine.SetGroupEnabled("FIGHT", true);
    EXPECT_EQ(r.engine.Snapshot().triggerEnabled[0], kOn);
}

TEST(CheckTriggers, RowAnsweringItsOwnEchoIsHeldBackAndToldOnce)
{
    Recorder r;
    r.engine.Replace(Table({{kOn.c_str(), "x", "x\r\n", ""}}));
    for (int i = 0; i < 100; ++i)
        r.engine.CheckTriggers("x\r\n");
    EXPECT_EQ(r.fired.size(), static_cast<std::size_t>(TriggerEngine::kMaxFiresPerSecond));
    EXPECT_EQ(r.notices, (std::vector<std::string>{"x"}));
    r.now += 1000; // the next second
    r.engine.CheckTriggers("x\r\n");
    EXPECT_EQ(r.fired.size(), static_cast<std::size_t>(TriggerEngine::kMaxFiresPerSecond) + 1);
}

// The prefilter must never change what fires: compare with the plain rule.
TEST(TriggerPrefilter, SameResultsAsScanningEveryRow)
{
    std::mt19937 rng(7);
    const std::vector<std::string> words = {"a",  "ab", "abc", "abcd", "\xd6\xd0", "\xce\xc4",
                                            "hp", " ",  "(*)", "dies", "\xb5\xc0", "x"};
    auto pick = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += words[rng() % words.size()];
        return s;
    };
    std::vector<std::string> patterns;
    for (int i = 0; i < 300; ++i)
        patterns.push_back(pick(1 + rng() % 4));
    TriggerPrefilter pf;
    pf.Build(patterns);
    std::vector<std::uint32_t> cands;
    std::vector<std::string> caps;
    for (int n = 0; n < 2000; ++n) {
        std::string line = pick(rng() % 8);
        pf.Candidates(line, cands);
        for (std::uint32_t row = 0; row < patterns.size(); ++row) {
            if (MatchPattern(line, patterns[row], caps)) {
                EXPECT_TRUE(std::binary_search(cands.begin(), cands.end(), row))
                    << "line '" << line << "' pattern '" << patterns[row] << "'";
            }
        }
    }
}
