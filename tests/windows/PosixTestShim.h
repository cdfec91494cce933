// Forced into the core folders' shared test sources in the Windows build: the few
// POSIX calls they use besides the standard library and the shared test support.
// mkfifo fails (Windows has no named pipes in the file system), and the test that
// needs one is left out of the Windows run; setenv and unsetenv are the C runtime's
// _putenv_s.
#pragma once

#ifdef _WIN32
#include <cerrno>
#include <cstdlib>

inline int mkfifo(const char*, int) {
    errno = ENOSYS;
    return -1;
}

inline int setenv(const char* name, const char* value, int) {
    return _putenv_s(name, value);
}

inline int unsetenv(const char* name) {
    return _putenv_s(name, "");
}
#endif
