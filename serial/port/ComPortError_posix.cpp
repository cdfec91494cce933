// The OS part of a port error on POSIX: the system's name for the error and its
// number, and for the cases users meet most a last line that says what to do.
#include "ComPortDevice.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk {

namespace fs = std::filesystem;

namespace {

// "crw-rw----": the kind and the permission bits, as `ls -l` writes them.
std::string ModeText(mode_t mode) {
    std::string text = S_ISCHR(mode) ? "c" : S_ISBLK(mode) ? "b" : S_ISDIR(mode) ? "d" : "-";
    const char letters[] = "rwx";
    for (int bit = 8; bit >= 0; --bit)
        text += (mode & (mode_t(1) << bit)) ? letters[(8 - bit) % 3] : '-';
    return text;
}

std::string PermissionHint(const std::string& device) {
    struct stat st {};
    if (device.empty() || ::stat(device.c_str(), &st) != 0)
        return "You need read and write access to the port.";
    const group* g = ::getgrgid(st.st_gid);
    const std::string group = g ? g->gr_name : std::to_string(st.st_gid);
    // Joining root's group would open far more than a port, and a group without read
    // and write access to the port opens nothing: neither is advice to give.
    const bool joinable = st.st_gid != 0 && (st.st_mode & S_IRGRP) && (st.st_mode & S_IWGRP);
    if (joinable)
        return "The port belongs to group \"" + group + "\": join it with \"sudo usermod -aG " + group +
               " $USER\", then log out and in again.";
    const passwd* owner = ::getpwuid(st.st_uid);
    return "Only \"" + (owner ? std::string(owner->pw_name) : std::to_string(st.st_uid)) +
           "\" may open the port (group \"" + group + "\", " + ModeText(st.st_mode) +
           "): a udev rule can give it to group \"dialout\", which you then join; or use another port.";
}

// The process that has `device` open, as "process 1234 (name)"; another process
// is named before this one (a child shares its parent's descriptors). "" when
// none can be seen (those of other users are hidden from unprivileged ones).
std::string HolderOf(const std::string& device) {
    std::error_code ec;
    const fs::path target = fs::canonical(device, ec);
    if (ec) return "";
    const std::string self = std::to_string(::getpid());
    bool selfHolds = false;
    for (fs::directory_iterator proc("/proc", ec), end; !ec && proc != end; proc.increment(ec)) {
        const std::string pid = proc->path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code fdError;
        for (fs::directory_iterator fd(proc->path() / "fd", fdError); !fdError && fd != end;
             fd.increment(fdError)) {
            std::error_code linkError;
            if (fs::read_symlink(fd->path(), linkError) != target || linkError) continue;
            if (pid == self) {
                selfHolds = true;
                break;
            }
            std::string name;
            std::ifstream(proc->path() / "comm") >> name;
            return "process " + pid + (name.empty() ? "" : " (" + name + ")");
        }
    }
    return selfHolds ? "this program" : "";
}

std::string BusyHint(const std::string& device) {
    const std::string holder = HolderOf(device);
    if (holder.empty()) return "The port is in use by another program: close it there first.";
    return "The port is in use by " + holder + ": close it there first.";
}

bool DeviceGone(int osError) {
    return osError == EIO || osError == ENODEV || osError == ENXIO;
}

} // namespace

void CheckSpeedGiven(const std::string& device, int32_t asked, int32_t given) {
    if (given <= 0 || asked <= 0) return;
    // A UART runs reliably within about 3 % of the other side's speed.
    const int64_t off = int64_t(given) - asked;
    if ((off < 0 ? -off : off) * 100 <= int64_t(asked) * 3) return;
    throw EComPort(ErrLineSettings, EINVAL, device,
                   std::to_string(asked) + " bit/s asked for, the adapter gives " + std::to_string(given) +
                       " bit/s");
}

std::string ComOsErrorText(int code, int osError, const std::string& device) {
    std::string text = device.empty() ? "" : " " + device;
    if (osError > 0)
        text += ": " + std::string(std::strerror(osError)) + " (error " + std::to_string(osError) + ")";
    std::string hint;
    if (code == ErrOpen && (osError == EACCES || osError == EPERM))
        hint = PermissionHint(device);
    else if (code == ErrOpen && osError == EBUSY)
        hint = BusyHint(device);
    else if (DeviceGone(osError))
        hint = "The device is gone (adapter unplugged?); when it is back, its port may have another name.";
    return hint.empty() ? text : text + "\n" + hint;
}

} // namespace vesk
