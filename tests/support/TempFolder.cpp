#include "TempFolder.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace vesk::test {

namespace fs = std::filesystem;

// A folder is claimed by creating it: a name another process took already is simply
// passed over for the next one.
TTempFolder::TTempFolder() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ostringstream name;
        name << "vesk-test-" << std::hex << random();
        const fs::path folder = base / name.str();
        if (fs::create_directory(folder)) {
            // Only its owner may look in, as with any private temporary folder.
            fs::permissions(folder, fs::perms::owner_all);
            FPath = folder.string() + "/";
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be made in " + base.string());
}

TTempFolder::~TTempFolder() {
    std::error_code ec;
    fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(FPath, ec);
}

std::string TTempFolder::Write(const std::string& name, const std::string& content) const {
    const std::string path = FPath + name;
    WriteText(path, content);
    return path;
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file) throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

} // namespace vesk::test
