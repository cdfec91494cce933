// The running program's directory on POSIX, from /proc/self/exe, and the user's
// folder of chip definition files.
#include "ChipDefinitions.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vesk {

std::string ProgramDirectory() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return "./";
    std::string directory = exe.parent_path().string();
    if (directory.empty() || directory.back() != '/') directory += '/';
    return directory;
}

namespace {

// An absolute folder from the environment variable `name`, "" when unset or relative.
std::string AbsoluteFolderFrom(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return {};
    std::string folder = value;
    if (folder.back() != '/') folder += '/';
    return folder;
}

} // namespace

std::string UserChipDirectory() {
    std::string base = AbsoluteFolderFrom("XDG_DATA_HOME");
    if (base.empty()) {
        const std::string home = AbsoluteFolderFrom("HOME");
        if (home.empty()) return {};
        base = home + ".local/share/";
    }
    return base + "vesk/chips/";
}

} // namespace vesk
