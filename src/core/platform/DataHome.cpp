#include "core/platform/DataHome.h"

#include <filesystem>
#include <system_error>

namespace platform {

namespace {

bool Absolute(const char *path)
{
    return path != nullptr && path[0] == '/';
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::optional<std::string> DataHomeFolder(const char *xdgDataHome, const char *home)
{
    if (Absolute(xdgDataHome))
        return WithoutTrailingSlashes(xdgDataHome) + "/quorvel";
    if (Absolute(home))
        return WithoutTrailingSlashes(home) + "/.local/share/quorvel";
    return std::nullopt;
}

bool EnterFolder(const std::string &folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return false;
    std::filesystem::current_path(folder, error);
    return !error;
}

} // namespace platform
