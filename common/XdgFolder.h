#pragma once
// The user's own folders of the freedesktop base-directory rules, shared by the
// settings file's and the chip definitions' lookups.
#include <cstdlib>
#include <string>

namespace vesk {

// `$variable/subfolder`, or `$HOME/underHome/subfolder` when the variable is unset or
// not absolute; "" without an absolute home. Each folder name ends in '/'.
inline std::string XdgUserFolder(const char* variable, const char* underHome, const char* subfolder) {
    const auto absolute = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        if (!value || value[0] != '/') return {};
        std::string folder = value;
        if (folder.back() != '/') folder += '/';
        return folder;
    };
    std::string base = absolute(variable);
    if (base.empty()) {
        const std::string home = absolute("HOME");
        if (home.empty()) return {};
        base = home + underHome;
    }
    return base + subfolder;
}

} // namespace vesk
