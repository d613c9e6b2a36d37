// A log file being written: the screen thread hands it each update's finished
// lines, which wait in a bounded queue while the writer's own thread puts
// them into the log's form and onto the disk. The screen never waits for the
// disk; a write that fails (a full disk) or a file that is removed stops the
// log with a message, and the game goes on.
#pragma once

#include "core/screen/LineSink.h"
#include "core/screen/LogForm.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace screen {

// The wall-clock time of a stamp.
struct LogTime
{
    int hour = 0, minute = 0, second = 0;
};
LogTime LocalLogTime();

class LogWriter final : public LineSink
{
public:
    // Lines waiting beyond this many bytes are not kept: the log notes how
    // many it missed once it catches up, rather than grow without bound.
    static constexpr std::size_t kQueueBound = 16u << 20;
    // How often an idle writer looks whether its file is still there.
    static constexpr std::chrono::milliseconds kCheckInterval{1000};

    // Opens (creates or empties) `path` and starts the writer thread; null,
    // with `error` set (UTF-8), when the file cannot be opened.
    static std::shared_ptr<LogWriter> Open(const std::string &path, const LogOptions &options,
                                           const ScreenLook &look, std::string &error,
                                           std::function<LogTime()> clock = LocalLogTime);
    ~LogWriter() override; // closes, as Close does

    // Called once, on the writer thread, when the log stopped by itself; the
    // text (UTF-8) says why. Set before any line comes.
    std::function<void(const std::string &message)> stopped;

    // LineSink: the screen thread's lines, copied and queued. After a stop
    // or Close they are dropped.
    void TakeLines(const DecodedLine *lines, std::size_t count) override;

    // Writes what waits and the file's end, and closes it.
    void Close();

    bool failed() const { return failed_.load(); }
    std::uint64_t linesWritten() const { return linesWritten_.load(); }
    std::uint64_t linesMissed() const { return linesMissed_.load(); }

    LogWriter(int fd, const LogOptions &options, const ScreenLook &look,
              std::function<LogTime()> clock);

private:
    void Run(std::stop_token stop);
    // Forms and writes one taken batch; false once the log has failed.
    bool WriteOut(const std::string &packed, std::uint64_t missed);
    bool WriteAll(std::string_view bytes);
    bool FileGone();
    void Fail(const std::string &message);

    int fd_;
    LogOptions options_;
    LogForm form_;
    std::function<LogTime()> clock_;

    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::string queued_;       // packed lines: text size, attrs size, text, attrs
    std::uint64_t missed_ = 0; // lines dropped since the writer last took the queue
    bool closing_ = false;
    std::atomic<bool> failed_{false};
    std::atomic<bool> closed_{false};
    std::atomic<std::uint64_t> linesWritten_{0};
    std::atomic<std::uint64_t> linesMissed_{0};

    // Writer thread only.
    std::string taken_, formed_, converted_;
    std::jthread thread_;
};

} // namespace screen
