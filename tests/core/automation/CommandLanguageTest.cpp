#include "core/automation/CommandLanguage.h"

#include "core/automation/CommandSplit.h"
#include "core/automation/GroupTable.h"
#include "core/text/GbkText.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using automation::CommandLanguage;
using automation::GroupTable;
using automation::RunnerHost;

namespace {

// Records every call as one short string, in order: "send:…", "echo:…",
// "sleep:N", "T+:GROUP", "T-:GROUP", "aux:…", "notice:…". A send is checked to be
// preceded by its exact echo, so tests list sends and sleeps only.
class RecordingHost : public RunnerHost
{
public:
    void Enqueue(std::string item) override { all.push_back("echo:" + item); }
    void WriteLine(std::string line) override
    {
        const std::string echo = "echo:\x1b[0m" + line;
        if (all.empty() || all.back() != echo)
            ADD_FAILURE() << "write of '" << line << "' not preceded by its echo";
        all.push_back("send:" + line);
        events.push_back("send:" + line);
    }
    void Sleep(int ms) override
    {
        all.push_back("sleep:" + std::to_string(ms));
        events.push_back("sleep:" + std::to_string(ms));
    }
    std::optional<std::string> LookupGroup(std::string_view name) override
    {
        return groups.Lookup(name);
    }
    void SetTriggerGroupEnabled(std::string_view group, bool enabled) override
    {
        events.push_back((enabled ? "T+:" : "T-:") + std::string(group));
    }
    void AppendAuxLine(std::string text) override { events.push_back("aux:" + text); }
    void RunnerStarted() override {}
    void RunnerEnded() override {}

    std::vector<std::string> Notices() const
    {
        std::vector<std::string> out;
        for (const auto &e : all)
            if (e.rfind("echo:\x1b[1;31m", 0) == 0)
                out.push_back(e);
        return out;
    }

    GroupTable groups;
    std::vector<std::string> all;    // every call, echoes included
    std::vector<std::string> events; // sends, sleeps, trigger switches, aux lines
};

std::vector<std::string> RunAll(std::string_view text, RecordingHost &host)
{
    CommandLanguage runner(host);
    runner.RunText(text);
    return host.events;
}

std::vector<std::string> RunAll(std::string_view text)
{
    RecordingHost host;
    return RunAll(text, host);
}

using Events = std::vector<std::string>;

struct Case
{
    std::string text;
    Events expected;
};

void RunCases(const std::vector<Case> &cases)
{
    for (const auto &c : cases)
        EXPECT_EQ(RunAll(c.text), c.expected) << "text: " << c.text;
}

} // namespace

TEST(RunText, SeparatorsAndLineEnds)
{
    RunCases({
        {"", {"send:\n"}},
        {"look", {"send:look\n"}},
        {"get all;#3 north", {"send:get all\n", "send:north\n", "send:north\n", "send:north\n"}},
        {"north;;south", {"send:north\n", "send:\n", "send:south\n"}},
        {"a\r\nb\r\n", {"send:a\n", "send:b\n"}},
        {"  a  ;\tb", {"send:a\n", "send:b\n"}},
        // A trailing separator leaves an empty command behind it.
        {"a;", {"send:a\n", "send:\n"}},
        {"\n", {"send:\n"}},
    });
}

TEST(RunText, BraceBlocks)
{
    RunCases({
        {"{a;b}", {"send:a\n", "send:b\n"}},
        {"{a;b};c", {"send:a\n", "send:b\n", "send:c\n"}},
        {"{say hi;smile};look", {"send:say hi\n", "send:smile\n", "send:look\n"}},
        // Everything up to the first "}" is copied unsplit, so the block stays
        // glued to what came before it and the whole line is sent as it is.
        {"x;{a;b}", {"send:x;{a;b}\n"}},
        {"get all;{say hi;smile}", {"send:get all;{say hi;smile}\n"}},
        {"{a;;b}", {"send:a\n", "send:\n", "send:b\n"}},
        {"{a;b;}", {"send:a\n", "send:b\n"}},
        {"{}", {"send:\n"}},
        {"{look}", {"send:look\n"}},
        {"#2 {a;b}", {"send:a\n", "send:b\n", "send:a\n", "send:b\n"}},
        // The braces may be in any order in the rest: the copy still ends at "}".
        {"a;b}c{d;e", {"send:a;b}c{d\n", "send:e\n"}},
    });
}

TEST(RunText, BracesInsideDoubleByteCharactersAreText)
{
    // 0x81 0x7B and 0x81 0x7D are characters whose second bytes look like braces.
    const std::string open = "\x81{";
    const std::string close = "\x81}";
    RunCases({
        {"say " + open + ";say " + close, {"send:say " + open + "\n", "send:say " + close + "\n"}},
        {"{a;b" + close, {"send:{a\n", "send:b" + close + "\n"}},
    });
}

TEST(RunCommand, Repeats)
{
    RunCases({
        {"#3 north", {"send:north\n", "send:north\n", "send:north\n"}},
        {"#0 north", {}},
        {"#-1 north", {}},
        {"#x north", {"send:north\n"}},
        {"#3", {}},
        {"#3 ", {}},
        {"# 2 north", {"send:2 north\n"}},
        {"#2 #2 n", {"send:n\n", "send:n\n", "send:n\n", "send:n\n"}},
        {"#2  north", {"send:north\n", "send:north\n"}},
    });
}

TEST(RunCommand, WaitsInAnyLetterCase)
{
    RunCases({
        {"#WA 500", {"sleep:500"}},
        {"#wa 500", {"sleep:500"}},
        {"#Wa500", {"sleep:500"}},
        {"#WA abc", {"sleep:1"}},
        {"#WA", {"sleep:1"}},
        {"#WA -200", {"sleep:0"}},
    });
}

TEST(RunCommand, TriggerGroupSwitches)
{
    RunCases({
        {"#T+ fight", {"T+:FIGHT"}},
        {"#t- Fight ", {"T-:FIGHT"}},
        {"#T+", {"T+:"}},
        {"#t+\xB4\xF2\xB9\xD6", {"T+:\xB4\xF2\xB9\xD6"}},
    });
}

TEST(RunCommand, AuxLineKeepsItsLeadingSpace)
{
    RunCases({
        {"#HP hello", {"aux: hello"}},
        {"#hp  two  spaces", {"aux:  two  spaces"}},
        {"#HP", {"aux:"}},
    });
}

TEST(RunCommand, IntegerConditional)
{
    RunCases({
        {"#CI 5>3 run,walk", {"send:run\n"}},
        {"#CI 5<3 run,walk", {"send:walk\n"}},
        {"#CI 5<3 run", {"send:\n"}},
        {"#CI 5>3 ,walk", {"send:\n"}},
        {"#CI x>3 run,walk", {}},
        {"#CI 5>y run,walk", {}},
        {"#ci 5=5 yes,no", {"send:yes\n"}},
        {"#CI 5>=5 yes,no", {"send:yes\n"}},
        {"#CI 4<=5 yes,no", {"send:yes\n"}},
        {"#CI 5!=5 yes,no", {"send:no\n"}},
        {"#CI -2<-1 yes,no", {"send:yes\n"}},
        {"#CI  5 > 3  yes,no", {"send:yes\n"}},
        // The operator is read over the whole command, branches included.
        {"#CI 5=5 say a>b", {}},
        {"#CI 5<3 a=b,c", {"send:c\n"}},
        {"#CI 5>3", {}},    // no space after the right operand
        {"#CI5>3 a,b", {}}, // operator before the first space: empty left operand
        {"#CI 5 3 a,b", {}},
        {"#CI 5>3 #2 x,y", {"send:x\n", "send:x\n"}},
    });
}

TEST(RunCommand, TextConditional)
{
    RunCases({
        {"#CS abc=abc yes,no", {"send:yes\n"}},
        {"#CS abc!=abc yes,no", {"send:no\n"}},
        {"#cs abc=abd yes,no", {"send:no\n"}},
        {"#CS  abc =abc yes,no", {"send:yes\n"}},
        {"#CS abc=ABC yes,no", {"send:no\n"}},
        {"#CS abc>abc yes,no", {}},
        {"#CS =  yes,no", {}},
        {"#CS = x yes,no", {"send:no\n"}},
    });
}

TEST(RunCommand, UnknownHashWordWithoutSpaceIsDropped)
{
    RunCases({
        {"#foo", {}},
        {"#", {}},
        {"#foo bar", {"send:bar\n"}},
    });
}

TEST(RunCommand, EchoPrecedesEveryWriteByteForByte)
{
    RecordingHost host;
    RunAll("say \xC4\xE3\xBA\xC3;look", host);
    EXPECT_EQ(host.all, (Events{"echo:\x1b[0msay \xC4\xE3\xBA\xC3\n", "send:say \xC4\xE3\xBA\xC3\n",
                                "echo:\x1b[0mlook\n", "send:look\n"}));
}

TEST(SendLine, EmptyLineIsNotSent)
{
    RecordingHost host;
    CommandLanguage runner(host);
    runner.SendLine("");
    runner.SendLine("x\n");
    EXPECT_EQ(host.all, (Events{"echo:\x1b[0mx\n", "send:x\n"}));
}

TEST(SlowMode, PausesAfterEachSendUntilFa)
{
    RunCases({
        {"#SL 1000;a;b;c;#FA;d",
         {"send:a\n", "sleep:1000", "send:b\n", "sleep:1000", "send:c\n", "sleep:1000",
          "send:d\n"}},
        {"#sl abc;a", {"send:a\n", "sleep:1500"}},
        {"#SL -5;a", {"send:a\n", "sleep:0"}},
        // "#FA text": slow mode off, and "FA" is no count, so text runs once.
        {"#SL 10;#fa look;x", {"send:look\n", "send:x\n"}},
    });
}

TEST(SlowMode, BelongsToOneRunner)
{
    RecordingHost host;
    CommandLanguage slow(host);
    CommandLanguage other(host);
    slow.RunText("#SL 700;a");
    other.RunText("b");
    EXPECT_EQ(host.events, (Events{"send:a\n", "sleep:700", "send:b\n"}));

    RecordingHost walker;
    CommandLanguage walk(walker, true, 250);
    walk.RunText("n;s");
    EXPECT_EQ(walker.events, (Events{"send:n\n", "sleep:250", "send:s\n", "sleep:250"}));
}

TEST(Groups, ExpandInPlace)
{
    RecordingHost host;
    host.groups.Replace({"kk"}, {"wield sword\r\n#2 kill rat"});
    EXPECT_EQ(RunAll("kk;look", host),
              (Events{"send:wield sword\n", "send:kill rat\n", "send:kill rat\n", "send:look\n"}));
}

TEST(Groups, NestedAndRecognisedEverywhere)
{
    RecordingHost host;
    host.groups.Replace({"a", "b", "x"}, {"b", "say done", "1;2"});
    EXPECT_EQ(RunAll("a", host), (Events{"send:say done\n"}));

    RecordingHost everywhere;
    everywhere.groups.Replace({"x"}, {"1;2"});
    EXPECT_EQ(RunAll("{x;y};#2 x;#CI 1=1 x,y;#CS a=a  x ", everywhere),
              (Events{"send:1\n", "send:2\n", "send:y\n", "send:1\n", "send:2\n", "send:1\n",
                      "send:2\n", "send:1\n", "send:2\n", "send:1\n", "send:2\n"}));
}

TEST(Groups, NamesAreCaseSensitiveAndUntrimmed)
{
    RecordingHost host;
    host.groups.Replace({"kk", " pad "}, {"one", "two"});
    EXPECT_EQ(RunAll("KK;Kk; pad ;kk ", host),
              (Events{"send:KK\n", "send:Kk\n", "send:pad\n", "send:one\n"}));
}

TEST(Groups, FirstMatchingNameWins)
{
    RecordingHost host;
    host.groups.Replace({"g", "g"}, {"first", "second"});
    EXPECT_EQ(RunAll("g", host), (Events{"send:first\n"}));
}

TEST(Groups, SelfReachingGroupStopsAtDepthLimitWithOneNotice)
{
    RecordingHost host;
    // "loop" reaches itself twice per level: without unwinding at the limit the
    // work would double with every level.
    host.groups.Replace({"loop", "ping", "pong"}, {"x;loop;loop;y", "pong", "ping"});
    Events expected{"send:before\n"};
    expected.insert(expected.end(), CommandLanguage::kGroupDepthLimit, "send:x\n");
    expected.push_back("send:after\n");
    EXPECT_EQ(RunAll("before;loop;after", host), expected);
    // "命令组 “loop” 嵌套超过50层，已停止展开。" in red.
    EXPECT_EQ(
        host.Notices(),
        (Events{"echo:\x1b[1;31m\xC3\xFC\xC1\xEE\xD7\xE9 \xA1\xB0loop\xA1\xB1 "
                "\xC7\xB6\xCC\xD7\xB3\xAC\xB9\xFD"
                "50\xB2\xE3\xA3\xAC\xD2\xD1\xCD\xA3\xD6\xB9\xD5\xB9\xBF\xAA\xA1\xA3\x1b[0m\r\n"}));

    // A repeat and mutual recursion unwind too: one notice, then the next command.
    RecordingHost mutual;
    mutual.groups.Replace({"ping", "pong"}, {"pong", "ping"});
    EXPECT_EQ(RunAll("#1000 ping\n{ping;z}\ndone", mutual), (Events{"send:done\n"}));
    EXPECT_EQ(mutual.Notices().size(), 2u);
}

TEST(Groups, FiftyNestedExpansionsStillRun)
{
    std::vector<std::string> names, contents;
    for (int i = 0; i < CommandLanguage::kGroupDepthLimit; ++i) {
        names.push_back("g" + std::to_string(i));
        contents.push_back(i + 1 < CommandLanguage::kGroupDepthLimit ? "g" + std::to_string(i + 1)
                                                                     : std::string("deep"));
    }
    RecordingHost host;
    host.groups.Replace(names, contents);
    EXPECT_EQ(RunAll("g0", host), (Events{"send:deep\n"}));
    EXPECT_TRUE(host.Notices().empty());

    // One more level is refused.
    names.push_back("top");
    contents.push_back("g0");
    RecordingHost deeper;
    deeper.groups.Replace(names, contents);
    EXPECT_EQ(RunAll("top;after", deeper), (Events{"send:after\n"}));
    EXPECT_EQ(deeper.Notices().size(), 1u);
}

TEST(GroupTable, ReplaceAndSnapshot)
{
    GroupTable table;
    EXPECT_FALSE(table.Lookup("a"));
    table.Replace({"a", "b"}, {"1"});
    EXPECT_EQ(table.Lookup("a"), "1");
    EXPECT_EQ(table.Lookup("b"), "");
    auto snap = table.Snapshot();
    EXPECT_EQ(snap.groupNames, (Events{"a", "b"}));
    EXPECT_EQ(snap.groupContents, (Events{"1", ""}));
    table.Replace({}, {});
    EXPECT_FALSE(table.Lookup("a"));
}

namespace {

// The splitting rule as first written: quadratic, but plainly the rule. The
// linear splitter must agree with it on every text.
std::string ReferenceSplit(std::string_view input)
{
    std::string text(input);
    if (text.empty() || text.back() != '\n')
        text += '\n';
    std::string out;
    std::string_view rest = text;
    while (rest.find(';') != std::string_view::npos) {
        const std::size_t close = gbk::FindCharwise(rest, '}');
        if (gbk::FindCharwise(rest, '{') != gbk::npos && close != gbk::npos) {
            out.append(rest.substr(0, close + 1));
            rest.remove_prefix(close + 1);
        } else {
            const std::size_t semi = rest.find(';');
            out.append(rest.substr(0, semi));
            out += '\n';
            rest.remove_prefix(semi + 1);
        }
    }
    out.append(rest);
    if (out.back() != '\n')
        out += '\n';
    return out;
}

} // namespace

TEST(SplitCommands, AgreesWithTheRuleOnRandomTexts)
{
    std::mt19937 rng(11);
    const std::string_view pieces[] = {"a",     ";",     "{",  "}", "\x81", "\xD6\xD0",
                                       "\x81{", "\x81}", "\n", " ", "#2 ",  "\x81;"};
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        const int len = static_cast<int>(rng() % 12);
        for (int i = 0; i < len; ++i)
            text += pieces[rng() % std::size(pieces)];
        ASSERT_EQ(automation::SplitIntoLines(text), ReferenceSplit(text)) << "text: " << text;
    }
}

TEST(SplitCommands, LongTextOfSeparatorsSplitsWhole)
{
    // Two million separators: the old rule searched the rest of the text once
    // per separator, hours of work; one pass is milliseconds.
    std::string text;
    for (int i = 0; i < 2000000; ++i)
        text += "a;";
    const std::string out = automation::SplitIntoLines(text);
    EXPECT_EQ(out.size(), text.size() + 1);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2000001);
}

TEST(Nesting, RepeatsBracesAndConditionalsStopAtTheLimitWithOneNotice)
{
    const int limit = CommandLanguage::kGroupDepthLimit;
    auto repeat = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += "#1 ";
        return s + "x";
    };
    auto braces = [](int n) { return std::string(n, '{') + "x" + std::string(n, '}'); };
    auto conditionals = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += "#CS a=a ";
        return s + "x";
    };
    for (auto make : {+repeat, +braces, +conditionals}) {
        RecordingHost atLimit;
        EXPECT_EQ(RunAll(make(limit), atLimit), (Events{"send:x\n"})) << make(3);
        EXPECT_TRUE(atLimit.Notices().empty());

        RecordingHost over;
        EXPECT_EQ(RunAll(make(limit + 1) + "\nafter", over), (Events{"send:after\n"})) << make(3);
        EXPECT_EQ(over.Notices().size(), 1u);
    }
}

TEST(Nesting, HostileDepthsEndWithoutExhaustingTheStack)
{
    // Each of these ran the runner's stack out before the limit existed; the
    // braces also copied their block at every level.
    std::string repeats;
    for (int i = 0; i < 40000; ++i)
        repeats += "#1 ";
    const std::string braces = std::string(32000, '{') + "x" + std::string(32000, '}');
    std::string mixed;
    for (int i = 0; i < 20000; ++i)
        mixed += "#1 {";
    mixed += "x" + std::string(20000, '}');
    for (const std::string &text : {repeats + "x", braces, mixed}) {
        RecordingHost host;
        EXPECT_EQ(RunAll(text + "\ndone", host), (Events{"send:done\n"}));
        EXPECT_EQ(host.Notices().size(), 1u);
    }
}
