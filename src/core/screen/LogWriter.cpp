#include "core/screen/LogWriter.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace screen {

namespace {

// A queued line: text size, attribute size (four bytes each), the stamp's
// hour, minute and second (a byte each), then the text and the records.
constexpr std::size_t kHeader = 11;

std::size_t GetSize(const char *p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

} // namespace

LogTime LocalLogTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_hour, local.tm_min, local.tm_sec};
}

std::shared_ptr<LogWriter> LogWriter::Open(const std::string &path, const LogOptions &options,
                                           const ScreenLook &look, std::string &error,
                                           std::function<LogTime()> clock)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "无法打开记录文件：";
        error += std::strerror(errno);
        return nullptr;
    }
    auto writer = std::make_shared<LogWriter>(fd, options, look, std::move(clock));
    if (!writer->WriteAll(writer->form_.Head())) {
        error = "无法写入记录文件：";
        error += std::strerror(errno);
        writer->Close();
        return nullptr;
    }
    writer->thread_ = std::jthread([w = writer.get()](std::stop_token stop) { w->Run(stop); });
    return writer;
}

LogWriter::LogWriter(int fd, const LogOptions &options, const ScreenLook &look,
                     std::function<LogTime()> clock)
    : fd_(fd)
    , options_(options)
    , form_(options, look)
    , clock_(std::move(clock))
{}

LogWriter::~LogWriter()
{
    Close();
}

void LogWriter::TakeLines(const DecodedLine *lines, std::size_t count)
{
    if (count == 0 || closed_.load() || failed_.load())
        return;
    const LogTime when = options_.timeStamps ? clock_() : LogTime{};
    {
        std::lock_guard lock(mutex_);
        for (std::size_t k = 0; k < count; ++k) {
            const DecodedLine &d = lines[k];
            if (queued_.size() + kHeader + d.text.size() + d.attrs.size() > kQueueBound) {
                missed_ += count - k;
                break;
            }
            char header[kHeader];
            const auto textSize = static_cast<std::uint32_t>(d.text.size());
            const auto attrSize = static_cast<std::uint32_t>(d.attrs.size());
            std::memcpy(header, &textSize, 4);
            std::memcpy(header + 4, &attrSize, 4);
            header[8] = static_cast<char>(when.hour);
            header[9] = static_cast<char>(when.minute);
            header[10] = static_cast<char>(when.second);
            queued_.append(header, kHeader);
            queued_ += d.text;
            queued_ += d.attrs;
        }
    }
    wake_.notify_one();
}

void LogWriter::Close()
{
    if (closed_.exchange(true))
        return;
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    if (!failed_.load())
        WriteAll(form_.Tail());
    ::close(fd_);
}

void LogWriter::Run(std::stop_token)
{
    bool ending = false;
    while (!ending) {
        std::uint64_t missed = 0;
        bool idle = false;
        {
            std::unique_lock lock(mutex_);
            idle = !wake_.wait_for(lock, kCheckInterval,
                                   [&] { return closing_ || !queued_.empty() || missed_ > 0; });
            ending = closing_;
            taken_.swap(queued_);
            queued_.clear();
            missed = missed_;
            missed_ = 0;
            // Quiet for a while: a burst's large buffers go back, so an idle
            // log stays small; during a burst they are reused.
            if (idle && queued_.capacity() > (1u << 20))
                std::string().swap(queued_);
        }
        if (idle) {
            std::string().swap(taken_);
            std::string().swap(formed_);
            std::string().swap(converted_);
        }
        if (!WriteOut(taken_, missed))
            return;
        if (taken_.empty() && FileGone()) {
            Fail("记录文件已被删除，记录停止。");
            return;
        }
    }
}

bool LogWriter::WriteOut(const std::string &packed, std::uint64_t missed)
{
    formed_.clear();
    if (missed > 0) {
        linesMissed_ += missed;
        const std::string note =
            "\xA3\xA8\xBC\xC7\xC2\xBC\xB8\xFA\xB2\xBB\xC9\xCF\xA3\xAC\xC2\xA9\xBC\xC7 " +
            std::to_string(missed) + " \xD0\xD0\xA3\xA9"; // （记录跟不上，漏记 N 行）
        form_.AppendLine(note, " ", {}, formed_);
    }
    std::size_t lines = 0;
    std::string stamp;
    char lastStamp[3] = {0, 0, 0};
    for (std::size_t p = 0; p + kHeader <= packed.size();) {
        const std::size_t textSize = GetSize(packed.data() + p);
        const std::size_t attrSize = GetSize(packed.data() + p + 4);
        // A stamp is made again only when its second changed.
        if (options_.timeStamps && (stamp.empty() || std::memcmp(lastStamp, &packed[p + 8], 3))) {
            std::memcpy(lastStamp, &packed[p + 8], 3);
            stamp = LogStamp(static_cast<unsigned char>(packed[p + 8]),
                             static_cast<unsigned char>(packed[p + 9]),
                             static_cast<unsigned char>(packed[p + 10]));
        }
        const std::string_view text(packed.data() + p + kHeader, textSize);
        const std::string_view attrs(packed.data() + p + kHeader + textSize, attrSize);
        form_.AppendLine(text, attrs, stamp, formed_);
        p += kHeader + textSize + attrSize;
        ++lines;
    }
    if (formed_.empty())
        return true;
    std::string_view out = formed_;
    if (options_.encoding == LogEncoding::kUtf8) {
        converted_.clear();
        AppendUtf8(formed_, converted_);
        out = converted_;
    }
    if (!WriteAll(out)) {
        Fail(errno == ENOSPC ? std::string("磁盘已满，记录停止。")
                             : std::string("写入记录文件失败，记录停止：") + std::strerror(errno));
        return false;
    }
    if (FileGone()) {
        Fail("记录文件已被删除，记录停止。");
        return false;
    }
    linesWritten_ += lines;
    return true;
}

bool LogWriter::WriteAll(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool LogWriter::FileGone()
{
    // A removed file still takes writes, which then go nowhere anyone can read.
    struct stat st
    {};
    return ::fstat(fd_, &st) == 0 && st.st_nlink == 0;
}

void LogWriter::Fail(const std::string &message)
{
    failed_ = true;
    {
        std::lock_guard lock(mutex_);
        queued_.clear();
        std::string().swap(queued_);
    }
    if (stopped)
        stopped(message);
}

} // namespace screen
