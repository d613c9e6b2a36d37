#include "core/automation/CommandLanguage.h"

#include "core/automation/CommandSplit.h"
#include "core/text/GbkText.h"

namespace automation {

namespace {

constexpr std::string_view kEcho = "\x1b[0m";

// "命令组 “" and "” 嵌套超过50层，已停止展开。" in GBK, around the group's name.
constexpr std::string_view kDepthNoticeHead = "\x1b[1;31m"
                                              "\xC3\xFC\xC1\xEE\xD7\xE9\x20\xA1\xB0";
constexpr std::string_view kDepthNoticeTail =
    "\xA1\xB1\x20\xC7\xB6\xCC\xD7\xB3\xAC\xB9\xFD"
    "50"
    "\xB2\xE3\xA3\xAC\xD2\xD1\xCD\xA3\xD6\xB9\xD5\xB9\xBF\xAA\xA1\xA3"
    "\x1b[0m\r\n";

// ';', LF, blanks and the operators are below 0x40 and so never the second
// byte of a double-byte character: a plain byte search finds them. The braces
// can be second bytes, so they are searched character-wise.
bool Contains(std::string_view s, std::string_view x)
{
    return gbk::Find(s, x) != gbk::npos;
}

// How much of a runaway command the depth notice names: enough to recognise
// it, cut on a character boundary.
constexpr std::size_t kNoticeNameBytes = 40;

std::string_view NoticeName(std::string_view command)
{
    return command.substr(0, gbk::BoundaryAtOrBelow(command, kNoticeNameBytes));
}

int WaitFrom(std::string_view argument, int onFailure)
{
    auto n = gbk::ToInt(gbk::Trim(argument));
    int ms = n ? *n : onFailure;
    return ms < 0 ? 0 : ms; // a negative wait would otherwise mean "forever" to some sleeps
}

// Upholds the "last byte is LF" rule of the splitter.
void EndWithLf(std::string &text)
{
    if (text.empty() || text.back() != '\n')
        text += '\n';
}

} // namespace

CommandLanguage::CommandLanguage(RunnerHost &host, bool slowMode, int slowDelayMs)
    : slowMode(slowMode)
    , slowDelayMs(slowDelayMs)
    , host_(host)
{}

void CommandLanguage::RunText(std::string_view input)
{
    // Separators become line ends, except inside the stretch up to the first
    // "}" while the rest holds both braces: that stretch is copied unsplit, so a
    // brace block reaches RunCommand whole (and ‘x;{a;b}’ stays one line).
    const std::string text = automation::SplitIntoLines(input);
    for (std::string_view command : automation::CommandLines(text)) {
        RunCommand(command);
        if (abandonCommand_)
            return;
    }
}

void CommandLanguage::RunCommand(std::string_view raw)
{
    struct Nesting
    {
        CommandLanguage &self;
        explicit Nesting(CommandLanguage &s)
            : self(s)
        {
            ++self.commandNesting_;
        }
        ~Nesting()
        {
            // Back at the outermost command: whatever was abandoned is over.
            if (--self.commandNesting_ == 0)
                self.abandonCommand_ = false;
        }
    } nesting(*this);

    std::string_view command = gbk::Trim(raw);

    if (auto content = host_.LookupGroup(command)) {
        ExpandGroup(command, *content);
        return;
    }

    if (command.empty())
        command = "\n"; // an empty command sends an empty line

    if (command[0] != '#') {
        if (command.front() == '{' && command.size() >= 2 && command.back() == '}' &&
            gbk::AtCharBoundary(command, command.size() - 1)) {
            if (EnterNesting(command)) {
                RunBraceBlock(command);
                --nestingDepth_;
            }
        } else {
            SendLine(command);
        }
        return;
    }

    const std::string head = gbk::UpperAscii(command.substr(0, 3));
    const std::string_view argument = command.size() > 3 ? command.substr(3) : std::string_view{};

    if (head == "#WA") {
        host_.Sleep(WaitFrom(argument, 1));
    } else if (head == "#T+" || head == "#T-") {
        host_.SetTriggerGroupEnabled(gbk::UpperAscii(gbk::Trim(argument)), head == "#T+");
    } else if (head == "#CI" || head == "#CS") {
        if (EnterNesting(command)) {
            RunConditional(command, head == "#CI");
            --nestingDepth_;
        }
    } else if (head == "#HP") {
        host_.AppendAuxLine(std::string(argument));
    } else if (head == "#SL") {
        slowMode = true;
        slowDelayMs = WaitFrom(argument, kDefaultSlowDelayMs);
    } else {
        if (head == "#FA")
            slowMode = false; // then "#FA text" runs text once: "FA" is no count
        if (EnterNesting(command)) {
            RunRepeat(command);
            --nestingDepth_;
        }
    }
}

bool CommandLanguage::EnterNesting(std::string_view command)
{
    if (nestingDepth_ >= kGroupDepthLimit) {
        DepthNotice(NoticeName(command));
        return false;
    }
    ++nestingDepth_;
    return true;
}

void CommandLanguage::DepthNotice(std::string_view name)
{
    std::string notice;
    notice.append(kDepthNoticeHead);
    notice.append(name);
    notice.append(kDepthNoticeTail);
    host_.Enqueue(std::move(notice));
    abandonCommand_ = true;
}

void CommandLanguage::SendLine(std::string_view input)
{
    if (input.empty())
        return;
    std::string line(input);
    EndWithLf(line);

    std::string echo;
    echo.reserve(kEcho.size() + line.size());
    echo.append(kEcho);
    echo.append(line);
    host_.Enqueue(std::move(echo));
    host_.WriteLine(std::move(line));

    if (slowMode)
        host_.Sleep(slowDelayMs < 0 ? 0 : slowDelayMs);
}

void CommandLanguage::ExpandGroup(std::string_view name, const std::string &content)
{
    if (groupDepth_ >= kGroupDepthLimit) {
        DepthNotice(name);
        return;
    }
    ++groupDepth_;
    RunText(content);
    --groupDepth_;
}

void CommandLanguage::RunBraceBlock(std::string_view command)
{
    // The bytes between the braces run as if they ended with ";": each piece
    // up to a ";", then what follows the last one unless the block already
    // ends there. The pieces are views into the caller's text: a block nested
    // in a block is never copied.
    const std::string_view block = command.substr(1, command.size() - 2);
    const bool endsWithSemicolon = !block.empty() && block.back() == ';';
    std::string_view rest = block;
    while (true) {
        const std::size_t semi = gbk::Find(rest, ";");
        if (semi == gbk::npos) {
            if (!endsWithSemicolon)
                RunCommand(gbk::TrimLeft(rest));
            return;
        }
        RunCommand(gbk::TrimLeft(rest.substr(0, semi)));
        if (abandonCommand_)
            return;
        rest.remove_prefix(semi + 1);
    }
}

void CommandLanguage::RunRepeat(std::string_view command)
{
    std::size_t space = gbk::Find(command, " ");
    if (space == gbk::npos)
        return; // an unknown "#" word without a body is dropped
    auto parsed = gbk::ToInt(gbk::Trim(command.substr(1, space - 1)));
    int count = parsed ? *parsed : 1;
    // The body lives in the caller's buffer, which outlives these runs.
    std::string_view body = command.substr(space + 1);
    for (int i = 0; i < count; ++i) {
        RunCommand(body);
        if (abandonCommand_)
            return;
    }
}

void CommandLanguage::RunConditional(std::string_view command, bool numeric)
{
    std::size_t space = gbk::Find(command, " ");

    // Every operator found replaces the previous choice, so the last one in
    // this order wins; operators inside a branch count too.
    static constexpr std::string_view kNumericOps[] = {"=", ">", "<", ">=", "<=", "!="};
    static constexpr std::string_view kTextOps[] = {"=", "!="};
    std::string_view op;
    if (numeric) {
        for (auto candidate : kNumericOps)
            if (Contains(command, candidate))
                op = candidate;
    } else {
        for (auto candidate : kTextOps)
            if (Contains(command, candidate))
                op = candidate;
    }
    if (space == gbk::npos || op.empty())
        return;

    std::size_t at = gbk::Find(command, op);
    std::string_view left = at > space ? command.substr(space + 1, at - space - 1) : "";
    std::string_view remainder = gbk::TrimLeft(command.substr(at + op.size()));

    std::size_t gap = gbk::Find(remainder, " ");
    if (gap == gbk::npos)
        return;
    std::string_view right = remainder.substr(0, gap);
    remainder = gbk::TrimLeft(remainder.substr(gap + 1));

    std::string_view thenBranch = remainder;
    std::string_view elseBranch;
    std::size_t comma = gbk::Find(remainder, ",");
    if (comma != gbk::npos) {
        thenBranch = remainder.substr(0, comma);
        elseBranch = remainder.substr(comma + 1);
    }

    bool holds = false;
    if (numeric) {
        auto l = gbk::ToInt(gbk::Trim(left));
        if (!l)
            return;
        auto r = gbk::ToInt(gbk::Trim(right));
        if (!r)
            return;
        if (op == "=")
            holds = *l == *r;
        else if (op == ">")
            holds = *l > *r;
        else if (op == "<")
            holds = *l < *r;
        else if (op == ">=")
            holds = *l >= *r;
        else if (op == "<=")
            holds = *l <= *r;
        else
            holds = *l != *r;
    } else {
        std::string_view l = gbk::Trim(left);
        holds = op == "=" ? l == right : l != right;
    }
    // An empty branch still runs, and so sends an empty line.
    RunCommand(holds ? thenBranch : elseBranch);
}

} // namespace automation
