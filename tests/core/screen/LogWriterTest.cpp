#include "core/screen/LogWriter.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using screen::LogEncoding;
using screen::LogFormat;
using screen::LogOptions;
using screen::LogWriter;

namespace {

// Coloured lines, an echoed command and GBK text, decoded as the screen does.
const char kStream[] = "\x1b[1;31m\xBA\xEC\xC9\xAB\x1b[0m plain <tag> & \x1b[32mgreen\r\n"
                       "still green\x1b[44m on blue\r\n"
                       "> look\r\n"
                       "\x1b[0m\xD6\xD0\xCE\xC4 end\r\n";

std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::filesystem::path TempDir()
{
    const auto dir =
        std::filesystem::temp_directory_path() / ("quorvel-log-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

// Writes the stream through a log of `options` and returns the file.
std::string WriteLog(const LogOptions &options, const std::string &name)
{
    const auto path = TempDir() / name;
    std::string error;
    auto log = LogWriter::Open(path.string(), options, screen::ScreenLook{}, error, [] {
        return screen::LogTime{9, 5, 7};
    });
    EXPECT_TRUE(log) << error;
    if (!log)
        return {};
    std::vector<screen::DecodedLine> lines;
    screen::Decoder decoder;
    screen::Decoder::Batch batch;
    decoder.Feed(kStream, batch);
    // Two updates, as two slices of the screen would hand them.
    log->TakeLines(batch.lines.data(), 2);
    log->TakeLines(batch.lines.data() + 2, batch.count - 2);
    log->Close();
    EXPECT_EQ(log->linesWritten(), 4u);
    return ReadFile(path);
}

std::string Golden(const std::string &name)
{
    const char *data = std::getenv("QUORVEL_TEST_DATA");
    return ReadFile(std::filesystem::path(data ? data : "tests/data") / "logs" / name);
}

} // namespace

TEST(LogWriter, FormsMatchTheirGoldenFiles)
{
    struct Case
    {
        LogOptions options;
        const char *golden;
    };
    const Case cases[] = {
        {{LogFormat::kPlain, LogEncoding::kInternal, false}, "plain-gbk.txt"},
        {{LogFormat::kPlain, LogEncoding::kUtf8, true}, "plain-utf8-stamped.txt"},
        {{LogFormat::kHtml, LogEncoding::kUtf8, false}, "screen-utf8.html"},
        {{LogFormat::kHtml, LogEncoding::kInternal, true}, "screen-gbk-stamped.html"},
    };
    for (const Case &c : cases) {
        const std::string written = WriteLog(c.options, c.golden);
        if (std::getenv("QUORVEL_WRITE_GOLDEN"))
            std::ofstream(c.golden, std::ios::binary) << written;
        EXPECT_EQ(written, Golden(c.golden)) << c.golden;
    }
}

TEST(LogWriter, StopsWithAMessageWhenTheFileGoesOrTheDiskIsFull)
{
    // A removed file: the next write notices and the log stops by itself.
    const auto path = TempDir() / "removed.txt";
    std::string error;
    auto log = LogWriter::Open(path.string(), {}, screen::ScreenLook{}, error);
    ASSERT_TRUE(log) << error;
    // The writer says once why it stopped; the test waits for that word.
    std::promise<std::string> message;
    std::future<std::string> said = message.get_future();
    log->stopped = [&](const std::string &text) { message.set_value(text); };
    std::filesystem::remove(path);
    std::vector<screen::DecodedLine> line{{"after\r\n", " "}};
    log->TakeLines(line.data(), 1);
    ASSERT_EQ(said.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(log->failed());
    log->TakeLines(line.data(), 1); // dropped, never waited for
    log->Close();
    EXPECT_EQ(said.get(), "记录文件已被删除，记录停止。");

    // A full disk, where the system has one to show.
    if (std::filesystem::exists("/dev/full")) {
        auto full = LogWriter::Open("/dev/full", {}, screen::ScreenLook{}, error);
        ASSERT_TRUE(full) << error;
        std::promise<std::string> fullMessage;
        std::future<std::string> fullSaid = fullMessage.get_future();
        full->stopped = [&](const std::string &text) { fullMessage.set_value(text); };
        full->TakeLines(line.data(), 1);
        ASSERT_EQ(fullSaid.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        full->Close();
        EXPECT_EQ(fullSaid.get(), "磁盘已满，记录停止。");
    }
    EXPECT_FALSE(LogWriter::Open((TempDir() / "no/such/dir/x.txt").string(), {},
                                 screen::ScreenLook{}, error));
    EXPECT_NE(error.find("无法打开记录文件"), std::string::npos);
}
