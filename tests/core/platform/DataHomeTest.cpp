#include "core/platform/DataHome.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(DataHomeFolder, FollowsTheDataDirectoryRule)
{
    struct Row
    {
        const char *xdgDataHome;
        const char *home;
        std::optional<std::string> folder;
    };
    const Row rows[] = {
        {"/data/me", "/home/me", "/data/me/quorvel"},
        {"/data/me/", "/home/me", "/data/me/quorvel"},
        {"/", "/home/me", "/quorvel"},
        {nullptr, "/home/me", "/home/me/.local/share/quorvel"},
        {"", "/home/me/", "/home/me/.local/share/quorvel"},
        {"data", "/home/me", "/home/me/.local/share/quorvel"}, // relative: ignored
        {nullptr, nullptr, std::nullopt},
        {"", "relative", std::nullopt},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.xdgDataHome ? row.xdgDataHome : "(unset)");
        EXPECT_EQ(platform::DataHomeFolder(row.xdgDataHome, row.home), row.folder);
    }
}

TEST(EnterFolder, MakesTheFolderOnFirstStartAndWorksInIt)
{
    const fs::path before = fs::current_path();
    const fs::path base =
        fs::temp_directory_path() / ("quorvel-datahome-" + std::to_string(::getpid()));
    fs::remove_all(base);
    const fs::path folder = base / "share" / "quorvel";

    ASSERT_TRUE(platform::EnterFolder(folder.string()));
    EXPECT_EQ(fs::current_path(), folder);
    {
        std::ofstream(folder / "Quorvel.ini") << "kept";
    }
    // The second start finds it and what it holds.
    fs::current_path(before);
    ASSERT_TRUE(platform::EnterFolder(folder.string()));
    EXPECT_EQ(fs::current_path(), folder);
    EXPECT_TRUE(fs::exists("Quorvel.ini"));

    // A folder that cannot be made leaves the current folder alone.
    fs::current_path(before);
    {
        std::ofstream(base / "file") << "x";
    }
    EXPECT_FALSE(platform::EnterFolder((base / "file" / "quorvel").string()));
    EXPECT_EQ(fs::current_path(), before);
    fs::remove_all(base);
}
