#include "core/automation/Triggers.h"

#include "core/screen/Decoder.h"

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

struct Recorder final : TriggerHost
{
    TriggerEngine engine;
    std::vector<std::string> fired;
    std::vector<std::string> notices;
    std::vector<std::string> lines;
    std::int64_t now = 1000;
    Recorder()
    {
        engine.SetFire([this](std::string c) { fired.push_back(std::move(c)); });
        engine.SetHost(this);
        engine.SetClock([this] { return now; });
    }
    void FiringsHeldBack(std::string_view pattern) override { notices.emplace_back(pattern); }
    void ShowLine(std::string line) override { lines.push_back(std::move(line)); }
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

TEST(CheckTriggers, RowAnsweringItsOwnEchoIsHeldBackAndToldOncePerBurst)
{
    Recorder r;
    r.engine.Replace(Table({{kOn.c_str(), "x", "x\r\n", ""}}));
    // The loop: every firing sends "x", whose echo fires the row again.
    auto echoLoop = [&](int lines) {
        for (int i = 0; i < lines; ++i) {
            r.engine.NoteQueuedItem("\x1b[0mx\n");
            r.engine.CheckTriggers("x\n");
        }
    };
    const auto limit = static_cast<std::size_t>(TriggerEngine::kMaxFiresPerSecond);
    echoLoop(100);
    EXPECT_EQ(r.fired.size(), limit);
    EXPECT_EQ(r.notices, (std::vector<std::string>{"x"}));
    // The loop goes on into the next seconds: no further notice.
    for (int second = 1; second <= 3; ++second) {
        r.now += 1000;
        echoLoop(100);
        EXPECT_EQ(r.fired.size(), limit * static_cast<std::size_t>(second + 1));
    }
    EXPECT_EQ(r.notices.size(), 1u);
    // A quiet second ends the burst; the next runaway is told again.
    r.now += 2000;
    echoLoop(100);
    EXPECT_EQ(r.notices.size(), 2u);
}

TEST(CheckTriggers, FiringsOnServerTextAreNeverHeldBack)
{
    Recorder r;
    r.engine.Replace(Table({{kOn.c_str(), "You gain", "score\r\n", ""}}));
    // A burst of common server lines within one second, with the client's own
    // unrelated echoes in between.
    for (int i = 0; i < 500; ++i) {
        r.engine.NoteQueuedItem("\x1b[0mscore\n");
        r.engine.CheckTriggers("You gain 10 experience.\r\n");
        r.engine.CheckTriggers("score\n");
    }
    EXPECT_EQ(r.fired.size(), 500u);
    EXPECT_TRUE(r.notices.empty());
}

TEST(CheckTriggers, ChainOfTriggersThroughEchoesIsBounded)
{
    Recorder r;
    r.engine.Replace(
        Table({{kOn.c_str(), "ping", "pong\r\n", ""}, {kOn.c_str(), "pong", "ping\r\n", ""}}));
    // The server starts it once; from then on only echoes keep it going.
    r.engine.CheckTriggers("ping from the server\r\n");
    for (int i = 0; i < 200 && !r.fired.empty(); ++i) {
        std::string sent = r.fired.back();
        sent.resize(sent.size() - 2);
        r.engine.NoteQueuedItem("\x1b[0m" + sent + "\n");
        r.engine.CheckTriggers(sent + "\n");
    }
    // The first firing came from the server; each row then fires its limit.
    EXPECT_EQ(r.fired.size(), 1u + 2 * static_cast<std::size_t>(TriggerEngine::kMaxFiresPerSecond));
    EXPECT_EQ(r.notices.size(), 1u);
}

TEST(CheckTriggers, NoticeItemsAndStaleEchoesAreNotTakenForEchoes)
{
    Recorder r;
    r.engine.Replace(Table({{kOn.c_str(), "x", "x\r\n", ""}}));
    // Items that are not echoes, and an echo that never came back in time.
    r.engine.NoteQueuedItem("\x1b[1;31mx\r\n");
    r.engine.NoteQueuedItem("\x1b[0mx\n");
    r.now += TriggerEngine::kEchoMemoryMs + 1;
    for (int i = 0; i < 100; ++i)
        r.engine.CheckTriggers("x\r\n");
    EXPECT_EQ(r.fired.size(), 100u);
}

TEST(SubstitutePlaceholders, InsertedTextIsNeverSearchedAgain)
{
    // One server line holding "%0" many times: the old rule replaced every
    // inserted "%0" as well and built a command of hundreds of megabytes.
    std::string many;
    for (int i = 0; i < 30000; ++i)
        many += "%0";
    bool cut = true;
    EXPECT_EQ(SubstitutePlaceholders("reply %1", {"Bob", many}, &cut), "reply " + many);
    EXPECT_FALSE(cut);
    // Placeholders of the command itself are all replaced, in any order.
    EXPECT_EQ(SubstitutePlaceholders("%1 %0 %1", {"%1", "%0"}), "%0 %1 %0");
    EXPECT_EQ(SubstitutePlaceholders("%%0%", {"a"}), "%a%");
    EXPECT_EQ(SubstitutePlaceholders("%01", {"a", "b"}), "a1");
    EXPECT_EQ(SubstitutePlaceholders("%12", {"a", "b"}), "b2");
}

TEST(SubstitutePlaceholders, CutAtTheCapOnACharacterBoundary)
{
    // An odd byte first, then double-byte characters: the cap falls inside one.
    const std::string wide = "\xD6\xD0";
    std::string capture = "a";
    while (capture.size() < 40000)
        capture += wide;
    bool cut = false;
    const std::string out = SubstitutePlaceholders("%0%0", {capture}, &cut);
    EXPECT_TRUE(cut);
    EXPECT_LE(out.size(), kMaxSubstitutedBytes);
    EXPECT_GE(out.size(), kMaxSubstitutedBytes - 1);
    EXPECT_EQ(out, (capture + capture).substr(0, out.size()));
    // Whole characters only: what follows the odd byte of each copy pairs up.
    EXPECT_EQ((out.size() - 2) % 2, 0u);

    Recorder r;
    const std::vector<std::string> &lines = r.lines;
    r.engine.Replace(Table({{kOn.c_str(), "(*) tells you: (*)", "reply %1 %1 %1", ""}}));
    r.engine.CheckTriggers("Bob tells you: " + std::string(30000, 'z') + "\r\n");
    ASSERT_EQ(r.fired.size(), 1u);
    EXPECT_EQ(r.fired[0].size(), kMaxSubstitutedBytes);
    EXPECT_EQ(lines.size(), 1u);
    r.engine.CheckTriggers("Bob tells you: short\r\n");
    EXPECT_EQ(r.fired.back(), "reply short short short");
    EXPECT_EQ(lines.size(), 1u);
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

// The engine knows an echo by the decoded line the screen hands it: wired as
// the screen wires it, a trigger answering its own echo is held back, and the
// same text from the server is not.
TEST(CheckTriggers, EchoesAreKnownThroughTheDecoder)
{
    Recorder r;
    r.engine.Replace(Table({{kOn.c_str(), "kill", "kill rat\r\n", ""}}));
    // Decoded as the screen thread decodes: finished lines, then the present
    // form of a line still arriving.
    screen::Decoder decoder;
    screen::Decoder::Batch batch;
    auto decode = [&](std::string_view chunk) {
        batch.count = 0;
        for (std::size_t at = 0; at < chunk.size();)
            at += decoder.Feed(chunk.substr(at), batch);
        for (std::size_t k = 0; k < batch.count; ++k)
            r.engine.CheckTriggers(batch.lines[k].text);
        if (decoder.inLine()) {
            for (const screen::DecodedLine &d : decoder.PartialForm())
                r.engine.CheckTriggers(d.text);
            r.engine.MarkUnfinishedLine(decoder.PartialRaw());
        }
    };

    const auto limit = static_cast<std::size_t>(TriggerEngine::kMaxFiresPerSecond);
    // Echoes the decoder reshapes: a tab expanded, colours typed by the player.
    for (const char *sent : {"kill\trat\n", "\x1b[31mkill\x1b[0m rat\n"}) {
        r.fired.clear();
        r.now += 5000;
        for (std::size_t i = 0; i < 3 * limit; ++i) {
            const std::string echo = std::string(kEchoPrefix) + sent;
            r.engine.NoteQueuedItem(echo);
            decode(echo);
        }
        EXPECT_EQ(r.fired.size(), limit) << sent;
    }
    EXPECT_EQ(r.notices.size(), 2u);

    r.fired.clear();
    r.now += 5000;
    for (std::size_t i = 0; i < 3 * limit; ++i) {
        const std::string echo = std::string(kEchoPrefix) + "kill rat\n";
        r.engine.NoteQueuedItem(echo);
        decode(echo);
        decode("\x1b[0mkill rat\r\n"); // the server, in the same colours
    }
    EXPECT_EQ(r.fired.size(), limit + 3 * limit);
    EXPECT_EQ(r.notices.size(), 3u);
}

// A robot left running for days: a million commands echoed as a runner
// queues them, with blanks, tabs and colour sequences the key leaves out, some
// coming back decoded, some never, some only after they are forgotten. The
// remembered echoes stay bounded and their byte count equals what they hold.
TEST(CheckTriggers, MillionEchoedCommandsKeepTheEchoCountBoundedAndTrue)
{
    Recorder r;
    r.engine.Replace(Table({{kOn.c_str(), "never sent", "x\r\n", ""}}));
    const char *const sent[] = {
        "look\n",          "say  hello \tworld \x1b[1;32mgreen\x1b[0m\n",
        " \t \n",          "\x1b[m\x1b[0;1;31m\n",
        "kill rat   \r\n",
    };
    const char *const decoded[] = {"look\n", "say  hello    world green\n", "\n", "\n",
                                   "kill rat\r\n"};
    std::size_t most = 0;
    for (int i = 0; i < 1'000'000; ++i) {
        const int k = i % 5;
        r.engine.NoteQueuedItem(std::string(kEchoPrefix) + sent[k]);
        if (i % 3 == 0)
            r.engine.CheckTriggers(decoded[k]);
        if (i % 1000 == 0)
            r.now += TriggerEngine::kEchoMemoryMs / 4;
        const TriggerEngine::EchoCounts p = r.engine.PendingEchoes();
        ASSERT_LE(p.count, TriggerEngine::kMaxPendingEchoes) << "after " << i << " commands";
        ASSERT_LE(p.bytes, TriggerEngine::kPendingEchoBytes) << "after " << i << " commands";
        if (i % 97 == 0) {
            ASSERT_EQ(p.bytes, p.heldBytes) << "after " << i << " commands";
        }
        most = std::max(most, p.count);
    }
    EXPECT_EQ(most, TriggerEngine::kMaxPendingEchoes); // the count bound was reached
    EXPECT_TRUE(r.fired.empty());
}
