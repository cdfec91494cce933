#include "common/ProgramFolder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <filesystem>
#include <system_error>
#endif

namespace vesk {

std::string FolderOf(const std::string& path) {
#ifdef _WIN32
    const std::size_t separator = path.find_last_of("\\/");
#else
    const std::size_t separator = path.rfind('/');
#endif
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

#ifdef _WIN32
std::string ProgramPath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2); // truncated: a longer path than MAX_PATH
    }
}
#else
std::string ProgramPath() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}
#endif

std::string ProgramFolder() {
    return FolderOf(ProgramPath());
}

std::string ProgramBaseName() {
    const std::string path = ProgramPath();
    std::string name = path.substr(FolderOf(path).size());
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

} // namespace vesk
