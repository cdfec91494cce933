#include "storage/SafeFile.h"
#include "storage/SettingsPlace.h"

#include "common/ProgramFolder.h"
#include "common/VESK_Exception.h"
#include "common/WholeFile.h"
#include "common/XdgFolder.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vesk {

namespace {

// The file that is really written: a symbolic link is followed, so that the
// link itself stays in place and its target receives the new contents.
std::string ResolveTarget(const std::string& fileName) {
    struct stat st {};
    if (::lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(fileName.c_str(), resolved) != nullptr) return resolved;
    }
    return fileName;
}

// Closes the descriptor and removes the temporary file unless released.
class TTempFile {
  public:
    TTempFile(int fd, std::string name) : FFd(fd), FName(std::move(name)) {}
    ~TTempFile() {
        if (FFd >= 0) ::close(FFd);
        if (!FName.empty()) ::unlink(FName.c_str());
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    int Fd() const { return FFd; }
    const std::string& Name() const { return FName; }
    int Close() {
        const int rc = ::close(FFd);
        FFd = -1;
        return rc;
    }
    void Release() { FName.clear(); }

  private:
    int FFd;
    std::string FName;
};

// The process's umask, read without changing it (umask() would change it
// for every thread for a moment).
mode_t CurrentUmask() {
    if (auto status = ReadWholeFile("/proc/self/status")) {
        const std::size_t at = status->find("Umask:");
        if (at != std::string::npos)
            return static_cast<mode_t>(std::strtoul(status->c_str() + at + 6, nullptr, 8));
    }
    return 022;
}

} // namespace

void WriteFileAtomically(const std::string& fileName, const std::string& data) {
    const std::string target = ResolveTarget(fileName);
    const std::string folder = FolderOf(target);
    const std::string base = target.substr(folder.size());
    auto fail = [&](int error) {
        throw Exception("Cannot write file \"" + fileName + "\". " + SystemErrorText(error),
                        TFailureKind::FileAccess);
    };

    // A file the user made read-only is not replaced behind his back, although
    // the rename into a writable folder would allow it.
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) fail(EISDIR);
    if (exists && ::access(target.c_str(), W_OK) != 0) fail(errno);

    std::string pattern = folder + "." + base + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) fail(errno);
    TTempFile temp(fd, name.data());

    // The new file keeps the old one's permissions; a first file gets what a
    // plain creat() would give it under the process's umask.
    const mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(temp.Fd(), mode) != 0) fail(errno);

    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(temp.Fd(), data.data() + written, data.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(temp.Fd()) != 0) fail(errno);
    if (temp.Close() != 0) fail(errno);
    if (::rename(temp.Name().c_str(), target.c_str()) != 0) fail(errno);
    temp.Release();

    // Make the rename itself durable; a failure here no longer risks the data.
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace vesk

namespace vesk {

std::string UserConfigFolder() {
    return XdgUserFolder("XDG_CONFIG_HOME", ".config/", "vesk/");
}

TSettingsPlace PlaceSettingsFile(const std::string& folder, const std::string& fileName) {
    const std::string beside = folder + fileName;
    const std::string user = UserConfigFolder();
    if (user.empty() || ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0)
        return {beside, beside, false};
    const std::string own = user + fileName;
    struct stat st {};
    const bool ownExists = ::stat(own.c_str(), &st) == 0;
    return {ownExists ? own : beside, own, true};
}

} // namespace vesk
