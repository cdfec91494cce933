// Shared pieces of the fuzz targets: a failed check stops the run with a message
// (libFuzzer saves the input that caused it), and a temporary folder per process.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace vesk::fuzz {

// A broken invariant is a finding like a crash: print it and abort.
#define VESK_FUZZ_CHECK(condition)                                                                           \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// One folder under the system's temporary folder for the whole run, removed at exit.
class TFuzzFolder {
  public:
    TFuzzFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesk-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        FPath = pattern;
    }
    ~TFuzzFolder() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TFuzzFolder(const TFuzzFolder&) = delete;
    TFuzzFolder& operator=(const TFuzzFolder&) = delete;
    // The folder, ending in "/".
    std::string Path() const { return FPath + "/"; }

  private:
    std::string FPath;
};

// Writes bytes to a file, replacing it; aborts when that fails (a full disk is not a
// finding of the code under test, so it must not pass silently either).
inline void WriteFileBytes(const std::string& fileName, const void* data, std::size_t size) {
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
        std::perror(fileName.c_str());
        std::abort();
    }
}

} // namespace vesk::fuzz
