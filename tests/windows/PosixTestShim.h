// Forced into the core folders' shared test sources in the Windows build: the two
// POSIX calls they use besides the standard library. A folder from mkdtemp; mkfifo
// fails (Windows has no named pipes in the file system), and the test that needs
// one is left out of the Windows run.
#pragma once

#ifdef _WIN32
#include <cerrno>
#include <cstring>
#include <direct.h>
#include <io.h>

inline char* mkdtemp(char* pattern) {
    if (_mktemp_s(pattern, std::strlen(pattern) + 1) != 0) return nullptr;
    return _mkdir(pattern) == 0 ? pattern : nullptr;
}

inline int mkfifo(const char*, int) {
    errno = ENOSYS;
    return -1;
}
#endif
