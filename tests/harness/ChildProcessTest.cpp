// The child processes the socket and frame tests start: where the output goes,
// what the child is given, and that nothing of it outlives the object.
#include "support/ChildProcess.h"

#include <cstdlib>
#include <dirent.h>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

using testsupport::ChildProcess;
using Sink = ChildProcess::Sink;

constexpr int kWaitMs = 10000;

// This process's open descriptors.
std::set<int> OpenFds()
{
    std::set<int> fds;
    DIR *dir = ::opendir("/proc/self/fd");
    if (!dir)
        return fds;
    while (const dirent *entry = ::readdir(dir))
        if (entry->d_name[0] != '.')
            fds.insert(std::atoi(entry->d_name));
    fds.erase(::dirfd(dir));
    ::closedir(dir);
    return fds;
}

TEST(ChildProcess, EachStreamGoesWhereItIsSent)
{
    struct Row
    {
        Sink out, err;
        const char *stdoutText, *stderrText;
    };
    const Row rows[] = {
        {Sink::kPipe, Sink::kIntoStdout, "out\nerr\n", ""},
        {Sink::kPipe, Sink::kPipe, "out\n", "err\n"},
        {Sink::kPipe, Sink::kDiscard, "out\n", ""},
        {Sink::kDiscard, Sink::kPipe, "", "err\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.out) << "/" << int(row.err));
        ChildProcess child;
        ASSERT_TRUE(child.Start("sh", {"-c", "echo out; echo err >&2; exit 3"}, row.out, row.err))
            << child.error();
        ASSERT_TRUE(child.WaitForExit(kWaitMs));
        EXPECT_TRUE(child.exitedNormally());
        EXPECT_EQ(child.exitCode(), 3);
        EXPECT_EQ(child.TakeOutput(), row.stdoutText);
        EXPECT_EQ(child.TakeErrors(), row.stderrText);
    }
    ChildProcess child;
    EXPECT_FALSE(child.Start("sh", {"-c", "true"}, Sink::kIntoStdout));
}

// The arguments arrive one by one, the environment as it is now (also what
// was set after the program started), and stdin is empty rather than the test's.
TEST(ChildProcess, ArgumentsAndEnvironmentArePassedOnAndStdinIsEmpty)
{
    ::setenv("QUORVEL_CHILD_VALUE", "有 space", 1);
    ChildProcess child;
    ASSERT_TRUE(child.Start("/bin/sh", {"-c",
                                        "printf '%s|%s|%s|' \"$QUORVEL_CHILD_VALUE\" \"$0\" \"$1\";"
                                        " cat; echo \"[$?]\"",
                                        "zero", "a b"}));
    ASSERT_TRUE(child.WaitForExit(kWaitMs));
    ::unsetenv("QUORVEL_CHILD_VALUE");
    EXPECT_EQ(child.TakeOutput(), "有 space|zero|a b|[0]\n");
    EXPECT_EQ(child.exitCode(), 0);
}

// A child that writes more than a pipe holds ends while the test waits for it.
TEST(ChildProcess, WaitingForTheEndKeepsReadingSoAFullPipeNeverHoldsTheChild)
{
    ChildProcess child;
    ASSERT_TRUE(child.Start("head", {"-c", "1000000", "/dev/zero"}));
    ASSERT_TRUE(child.WaitForExit(kWaitMs));
    EXPECT_EQ(child.TakeOutput().size(), 1000000u);
    EXPECT_EQ(child.TakeOutput(), "");
}

// Output is handed over as it comes, not when the child ends; a signal ends it.
TEST(ChildProcess, OutputComesAsWrittenAndASignalEndsTheChild)
{
    ChildProcess child;
    ASSERT_TRUE(child.Start("sh", {"-c", "echo first; exec sleep 60"}));
    ASSERT_TRUE(child.WaitForOutput(kWaitMs));
    EXPECT_EQ(child.TakeOutput(), "first\n");
    EXPECT_FALSE(child.WaitForOutput(50));
    EXPECT_FALSE(child.WaitForExit(0));

    child.Terminate();
    ASSERT_TRUE(child.WaitForExit(kWaitMs));
    EXPECT_FALSE(child.exitedNormally());
    EXPECT_EQ(child.exitCode(), -1);
    EXPECT_EQ(child.termSignal(), SIGTERM);
    // The pipe has ended: nothing more to wait for.
    EXPECT_FALSE(child.WaitForOutput(kWaitMs));
}

// Another child never gets the first one's pipes; the destructor kills a child
// still running and reaps it (no zombie left: the pid is gone at once), and
// every descriptor opened for it is closed.
TEST(ChildProcess, PipesStayWithTheParentAndTheDestructorLeavesNothing)
{
    const std::set<int> before = OpenFds();
    auto first = std::make_unique<ChildProcess>();
    ASSERT_TRUE(first->Start("sleep", {"60"}, Sink::kPipe, Sink::kPipe));
    const pid_t pid = first->pid();
    ASSERT_GT(pid, 0);
    std::set<int> added = OpenFds();
    for (int fd : before)
        added.erase(fd);
    EXPECT_EQ(added.size(), 2u);

    std::string fds;
    for (int fd : added)
        fds += " " + std::to_string(fd);
    ChildProcess second;
    ASSERT_TRUE(second.Start(
        "sh",
        {"-c", "for fd in" + fds + "; do [ -e /proc/$$/fd/$fd ] && echo $fd; done; echo end"}));
    ASSERT_TRUE(second.WaitForExit(kWaitMs));
    EXPECT_EQ(second.TakeOutput(), "end\n") << "open in the second child:" << fds;

    first.reset();
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_EQ(OpenFds(), before);
}

TEST(ChildProcess, AProgramThatCannotStartSaysWhyAndOpensNothing)
{
    const std::set<int> before = OpenFds();
    for (const char *program : {"quorvel-no-such-program", "/nonexistent/quorvel-program"}) {
        ChildProcess child;
        EXPECT_FALSE(child.Start(program, {}, Sink::kPipe, Sink::kPipe)) << program;
        EXPECT_NE(child.error().find(program), std::string::npos) << child.error();
        EXPECT_EQ(child.pid(), 0);
        EXPECT_FALSE(child.WaitForExit(0));
    }
    EXPECT_EQ(OpenFds(), before);
}

} // namespace
