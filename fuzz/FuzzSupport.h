// Shared pieces of the fuzz targets: a failed check stops the run with a message
// (libFuzzer saves the input that caused it), and the shared test support's
// temporary folder (one per process; a folder that cannot be made ends the run).
#pragma once

#include "tests/support/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vesk::fuzz {

// A broken invariant is a finding like a crash: print it and abort.
#define VESK_FUZZ_CHECK(condition)                                                                           \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

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
