// The running program's directory on POSIX, from /proc/self/exe, and the user's
// folder of chip definition files.
#include "ChipDefinitions.h"
#include "XdgFolder.h"

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

std::string UserChipDirectory() {
    return XdgUserFolder("XDG_DATA_HOME", ".local/share/", "vesk/chips/");
}

} // namespace vesk
