// A game server for the road measurements, in its own process so that its
// work is not counted as the client's. Each connection is served by a process
// of its own, line by line:
//   "fill N"  the first N lines of the corpus
//   "flood"   the whole corpus, then "#END"
//   "hit"     counted (the command the measurements' triggers send)
//   "hits"    "#HITS n" with the count so far on this connection
// It listens on 127.0.0.1 only.
#pragma once

#include "ColouredCorpus.h"

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <string_view>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

class CorpusServer
{
public:
    // Starts listening on `port` (0: any free one) and forks the server.
    CorpusServer(const std::vector<std::string> &corpus, int port)
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        const int yes = 1;
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        if (::bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
            ::listen(listener, 16) != 0) {
            std::perror("corpus server");
            std::exit(1);
        }
        socklen_t len = sizeof addr;
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            std::signal(SIGCHLD, SIG_IGN);
            const Joined joined(corpus); // once, shared by every connection's process
            for (;;) {
                const int client = ::accept(listener, nullptr, nullptr);
                if (client < 0)
                    continue;
                if (::fork() == 0) {
                    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                    Serve(client, joined);
                    ::_exit(0);
                }
                ::close(client);
            }
        }
        ::close(listener);
    }
    ~CorpusServer()
    {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    CorpusServer(const CorpusServer &) = delete;
    CorpusServer &operator=(const CorpusServer &) = delete;

    int port() const { return port_; }

private:
    static constexpr std::size_t kPiece = 1 << 20;

    static bool WriteAll(int fd, std::string_view bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // The corpus joined, with where each line starts and the last ends:
    // served from there a megabyte at a time, so serving costs no more than
    // the writes and the client's cores are left to the client as far as a
    // local server allows.
    struct Joined
    {
        explicit Joined(const std::vector<std::string> &corpus)
        {
            ends.reserve(corpus.size() + 1);
            ends.push_back(0);
            for (const std::string &line : corpus) {
                bytes += line;
                ends.push_back(bytes.size());
            }
        }
        std::size_t lines() const { return ends.size() - 1; }
        std::string bytes;
        std::vector<std::size_t> ends; // ends[k]: the size of the first k lines
    };

    static void Serve(int fd, const Joined &corpus)
    {
        // The first `count` lines.
        auto send = [&](std::size_t count) {
            const std::size_t size = corpus.ends[std::min(count, corpus.lines())];
            for (std::size_t at = 0; at < size; at += kPiece) {
                const std::size_t n = std::min(kPiece, size - at);
                if (!WriteAll(fd, std::string_view(corpus.bytes).substr(at, n)))
                    return false;
            }
            return true;
        };
        long hits = 0;
        std::string in;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                return;
            in.append(buffer, static_cast<std::size_t>(n));
            std::size_t end;
            while ((end = in.find('\n')) != std::string::npos) {
                std::string line = in.substr(0, end);
                in.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                bool ok = true;
                if (line.rfind("fill ", 0) == 0)
                    ok = send(std::strtoul(line.c_str() + 5, nullptr, 10));
                else if (line == "flood")
                    ok = send(corpus.lines()) && WriteAll(fd, "#END\r\n");
                else if (line == "hit")
                    ++hits;
                else if (line == "hits")
                    ok = WriteAll(fd, "#HITS " + std::to_string(hits) + "\r\n");
                if (!ok)
                    return;
            }
        }
    }

    int port_ = 0;
    pid_t pid_ = -1;
};

} // namespace bench
