// A program the tests start beside themselves (a server, a tool), through
// posix_spawn: this process's environment, an empty stdin, stdout and
// stderr piped, discarded or left to the test's own. The pipes are the
// parent's alone (close-on-exec), and the destructor kills and reaps the child,
// so a test leaves no zombie and no descriptor behind. Qt-free.
#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char **environ;

namespace testsupport {

class ChildProcess
{
public:
    // Where one of the child's output streams goes.
    enum class Sink {
        kInherit,    // the test's own stream
        kDiscard,    // /dev/null
        kPipe,       // a pipe this object reads
        kIntoStdout, // stderr only: wherever stdout goes
    };

    ChildProcess() = default;
    ~ChildProcess()
    {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
        }
        Close(out_);
        Close(err_);
    }
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // Starts `program` (looked up on PATH when it holds no slash) with `args`.
    // False, with error() telling why, when it could not be started.
    bool Start(const std::string &program, const std::vector<std::string> &args,
               Sink out = Sink::kPipe, Sink err = Sink::kInherit)
    {
        if (pid_ > 0)
            return Fail("already started");
        if (out == Sink::kIntoStdout)
            return Fail("stdout cannot go into itself");
        // stdin is a pipe whose writing end closes at once: the child reads
        // an end of file, whatever else reads or writes the test's own stdin.
        int inPipe[2] = {-1, -1};
        int outPipe[2] = {-1, -1};
        int errPipe[2] = {-1, -1};
        if (::pipe2(inPipe, O_CLOEXEC) != 0 ||
            (out == Sink::kPipe && ::pipe2(outPipe, O_CLOEXEC) != 0) ||
            (err == Sink::kPipe && ::pipe2(errPipe, O_CLOEXEC) != 0)) {
            const int error = errno;
            for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
                Close(fd);
            return Fail(std::strerror(error));
        }
        Close(inPipe[1]);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, inPipe[0], STDIN_FILENO);
        Route(actions, STDOUT_FILENO, out, outPipe[1]);
        Route(actions, STDERR_FILENO, err, errPipe[1]);
        // The child starts with no signal blocked and every handler at its default.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t set;
        sigemptyset(&set);
        posix_spawnattr_setsigmask(&attributes, &set);
        sigfillset(&set);
        posix_spawnattr_setsigdefault(&attributes, &set);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(program.c_str()));
        for (const std::string &arg : args)
            argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        const int rc =
            program.find('/') == std::string::npos
                ? ::posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ)
                : ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        Close(inPipe[0]);
        Close(outPipe[1]);
        Close(errPipe[1]);
        if (rc != 0) {
            Close(outPipe[0]);
            Close(errPipe[0]);
            return Fail(program + ": " + std::strerror(rc));
        }
        pid_ = pid;
        out_ = outPipe[0];
        err_ = errPipe[0];
        return true;
    }

    pid_t pid() const { return pid_; }
    const std::string &error() const { return error_; }

    // Waits up to `ms` for more output on the piped streams and keeps it; true
    // when some came, false on timeout or once every pipe has ended.
    bool WaitForOutput(int ms)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        while (out_ >= 0 || err_ >= 0) {
            if (ReadPipes(Remaining(deadline)) > 0)
                return true;
            if (Clock::now() >= deadline)
                return false;
        }
        return false;
    }
    // What the child wrote to its stdout pipe since the last call.
    std::string TakeOutput() { return std::exchange(outText_, {}); }
    // What it wrote to a stderr pipe of its own since the last call.
    std::string TakeErrors() { return std::exchange(errText_, {}); }

    // Waits up to `ms` for the child to end, reading its pipes meanwhile so a
    // full one never holds it up; true once it has ended and been reaped.
    bool WaitForExit(int ms)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        while (!TryReap()) {
            if (pid_ <= 0 || Clock::now() >= deadline)
                return false;
            ReadPipes(std::min(Remaining(deadline), 10));
        }
        // What is still in the pipes, without waiting for a descendant that
        // may hold them open.
        while (ReadPipes(0) > 0) {
        }
        return true;
    }
    // Whether it ended by exit() and, if so, with which code.
    bool exitedNormally() const { return reaped_ && WIFEXITED(status_); }
    int exitCode() const { return exitedNormally() ? WEXITSTATUS(status_) : -1; }
    // The signal that ended it, or 0.
    int termSignal() const { return reaped_ && WIFSIGNALED(status_) ? WTERMSIG(status_) : 0; }

    // Sends `signal` while the child has not been reaped.
    void Signal(int signal)
    {
        if (pid_ > 0 && !TryReap())
            ::kill(pid_, signal);
    }
    void Terminate() { Signal(SIGTERM); }

private:
    using Clock = std::chrono::steady_clock;

    static int Remaining(Clock::time_point deadline)
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    }
    static void Close(int &fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    static void Route(posix_spawn_file_actions_t &actions, int fd, Sink sink, int pipeEnd)
    {
        switch (sink) {
        case Sink::kInherit:
            break;
        case Sink::kDiscard:
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_WRONLY, 0);
            break;
        case Sink::kPipe:
            posix_spawn_file_actions_adddup2(&actions, pipeEnd, fd);
            break;
        case Sink::kIntoStdout:
            posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, fd);
            break;
        }
    }
    bool Fail(std::string why)
    {
        error_ = std::move(why);
        return false;
    }

    bool TryReap()
    {
        if (reaped_ || pid_ <= 0)
            return reaped_;
        const pid_t got = ::waitpid(pid_, &status_, WNOHANG);
        reaped_ = got == pid_ || (got < 0 && errno == ECHILD);
        return reaped_;
    }

    // One poll of the open pipes for up to `ms`; returns the bytes read.
    // A pipe that ended is closed.
    std::size_t ReadPipes(int ms)
    {
        pollfd fds[2];
        int count = 0;
        for (int fd : {out_, err_})
            if (fd >= 0)
                fds[count++] = pollfd{fd, POLLIN, 0};
        if (count == 0) {
            if (ms > 0)
                ::poll(nullptr, 0, ms);
            return 0;
        }
        if (::poll(fds, nfds_t(count), ms) <= 0)
            return 0;
        std::size_t total = 0;
        for (int i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            const bool isOut = fds[i].fd == out_;
            char buffer[65536];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                (isOut ? outText_ : errText_).append(buffer, std::size_t(got));
                total += std::size_t(got);
            } else if (got == 0 || errno != EINTR) {
                Close(isOut ? out_ : err_);
            }
        }
        return total;
    }

    pid_t pid_ = 0;
    bool reaped_ = false;
    int status_ = 0;
    int out_ = -1;
    int err_ = -1;
    std::string outText_;
    std::string errText_;
    std::string error_;
};

} // namespace testsupport
