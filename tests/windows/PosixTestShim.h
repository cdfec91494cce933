// Forced into the core folders' shared test sources in the Windows build: the one
// POSIX call they use besides the standard library and the shared test support.
// mkfifo fails (Windows has no named pipes in the file system), and the test that
// needs one is left out of the Windows run.
#pragma once

#ifdef _WIN32
#include <cerrno>

inline int mkfifo(const char*, int) {
    errno = ENOSYS;
    return -1;
}
#endif
