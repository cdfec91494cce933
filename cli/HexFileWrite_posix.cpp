// Writing an output file whole: a temporary file beside it, renamed over it.
#include "cli/HexWriter.h"

#include "VESK_Exception.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk::cli {

void WriteFileAtomically(const std::string& path, const std::string& text) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) throw Exception("Cannot create a file beside " + path + ": " + std::strerror(errno));
    auto fail = [&](const char* what) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        throw Exception(std::string(what) + " " + path + ": " + std::strerror(error));
    };
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("Cannot write");
        }
        done += size_t(n);
    }
    // mkstemp creates the file for its owner only; an output file gets the usual rights.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, 0666 & ~mask) != 0 || ::fsync(fd) != 0) fail("Cannot write");
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw Exception("Cannot write " + path + ": " + std::strerror(error));
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw Exception("Cannot write " + path + ": " + std::strerror(error));
    }
}

} // namespace vesk::cli
