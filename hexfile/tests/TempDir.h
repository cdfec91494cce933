// A folder in the system's temp directory, removed with everything in it at scope end.
// Shared by the hexfile and chipdef tests (these include it as "hexfile/tests/TempDir.h").
#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <unistd.h>

namespace vesk::test {

class TTempDir {
  public:
    TTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesk-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    // The folder with a trailing '/'.
    std::string Dir() const { return FPath.string() + "/"; }
    std::string Write(const std::string& name, const std::string& content) const {
        const std::string path = Dir() + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

  private:
    std::filesystem::path FPath;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace vesk::test
