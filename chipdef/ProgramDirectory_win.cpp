// The running program's directory on Windows, from the module's file name.
#include "ChipDefinitions.h"

#include <windows.h>

namespace vesk {

std::string ProgramDirectory() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return "./";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2); // truncated: a longer path than MAX_PATH
    }
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) return "./";
    return path.substr(0, separator + 1);
}

// On Windows new chip files go beside the program, as they always have.
std::string UserChipDirectory() {
    return {};
}

} // namespace vesk
