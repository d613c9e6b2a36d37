// The auxiliary window's text is capped like a screen's store: a flood of
// mirrored lines keeps the newest lines, in order, within the cap.
#include "ui/screen/AuxWindow.h"
#include "ui/session/GameWindow.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>

using screen::Ttextwin;

TEST(AuxWindowCap, FloodKeepsTheNewestLinesWithinTheCap)
{
    Ttextwin w;
    const std::size_t cap = 256 * 1024;
    w.setMaxBytes(cap);
    std::size_t most = 0;
    int next = 0;
    for (int batch = 0; batch < 40; ++batch) {
        std::vector<std::string> lines;
        for (int k = 0; k < 500; ++k)
            lines.push_back("mirrored line " + std::to_string(next++) + "\r\n");
        w.AppendLines(lines);
        w.FlushPending();
        most = std::max(most, w.textBytes());
    }
    EXPECT_LE(most, cap);
    const std::vector<std::string> kept = w.lines();
    ASSERT_FALSE(kept.empty());
    EXPECT_LT(kept.size(), 20000u);
    for (std::size_t i = 0; i < kept.size(); ++i)
        ASSERT_EQ(kept[i], "mirrored line " + std::to_string(next - kept.size() + i));
}

TEST(AuxWindowCap, BacklogBeyondTheCapIsDroppedBeforeItIsShown)
{
    Ttextwin w;
    const std::size_t cap = 64 * 1024;
    w.setMaxBytes(cap);
    std::vector<std::string> lines;
    for (int k = 0; k < 20000; ++k) // far more than the cap in one go
        lines.push_back("backlog " + std::to_string(k));
    w.AppendLines(lines);
    const std::vector<std::string> kept = w.lines();
    EXPECT_LE(w.textBytes(), cap);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(kept.back(), "backlog 19999");
    for (std::size_t i = 0; i < kept.size(); ++i)
        ASSERT_EQ(kept[i], "backlog " + std::to_string(20000 - kept.size() + i));
}
