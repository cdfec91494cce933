#include "cli/SerialCounter.h"

#include "cli/ExitStatus.h"

#include "VESK_Exception.h"
#include "chipdef/SerialNumber.h"
#include "common/WholeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace vesk::cli {

namespace {

std::string CounterError(const std::string& path) {
    return "Serial number counter " + path;
}

// Holds an exclusive lock on "<path>.lock" while it lives; other commands wait.
class TCounterLock {
  public:
    explicit TCounterLock(const std::string& path) {
        const std::string lock = path + ".lock";
#ifdef _WIN32
        FHandle = CreateFileA(lock.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        OVERLAPPED at{};
        if (FHandle == INVALID_HANDLE_VALUE || !LockFileEx(FHandle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at))
            throw ECommand(ExitFailed, CounterError(path) + ": cannot lock " + lock);
#else
        FFd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        int done = FFd < 0 ? -1 : 0;
        if (done == 0)
            while ((done = flock(FFd, LOCK_EX)) != 0 && errno == EINTR) {
            }
        if (done != 0)
            throw ECommand(ExitFailed,
                           CounterError(path) + ": cannot lock " + lock + ": " + std::strerror(errno));
#endif
    }
    ~TCounterLock() {
#ifdef _WIN32
        CloseHandle(FHandle); // releases the lock
#else
        close(FFd); // releases the lock
#endif
    }
    TCounterLock(const TCounterLock&) = delete;
    TCounterLock& operator=(const TCounterLock&) = delete;

  private:
#ifdef _WIN32
    HANDLE FHandle = INVALID_HANDLE_VALUE;
#else
    int FFd = -1;
#endif
};

// Writes `text` beside `path` and renames it over `path`.
void Replace(const std::string& path, const std::string& text) {
    const std::string temp = path + ".new";
    FILE* file = std::fopen(temp.c_str(), "wb");
    bool ok = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file != nullptr) {
        ok = std::fflush(file) == 0 && ok;
#ifndef _WIN32
        ok = fsync(fileno(file)) == 0 && ok;
#endif
        ok = std::fclose(file) == 0 && ok;
    }
#ifdef _WIN32
    ok = ok && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
#endif
    if (!ok) {
        std::remove(temp.c_str());
        throw ECommand(ExitFailed, CounterError(path) + ": cannot be advanced");
    }
}

// The counter file's text; a folder reads as no text (and so holds no number).
std::string ReadCounterText(const std::string& path) {
    try {
        if (std::optional<std::string> text = ReadWholeFile(path)) return std::move(*text);
    } catch (const EFileRead& e) {
        if (e.Failure() == TFileReadFailure::Folder) return "";
    }
    throw ECommand(ExitFile, CounterError(path) + ": cannot be read");
}

} // namespace

uint64_t TSerialCounter::ReadChecked() const {
    const std::string s = ReadCounterText(FPath);
    const size_t first = s.find_first_not_of(" \t\r\n");
    const size_t end = s.find_last_not_of(" \t\r\n");
    const std::string digits = first == std::string::npos ? "" : s.substr(first, end - first + 1);
    uint64_t number = 0;
    bool ok = !digits.empty() && digits.size() <= 20;
    for (char c : digits) {
        if (c < '0' || c > '9' || number > (UINT64_MAX - uint64_t(c - '0')) / 10) {
            ok = false;
            break;
        }
        number = number * 10 + uint64_t(c - '0');
    }
    if (!ok || number == UINT64_MAX)
        throw ECommand(ExitFile,
                       CounterError(FPath) + ": holds no number (the next serial number, in decimal)");
    try {
        CheckSerialNumberFits(number, FBytes);
    } catch (const Exception& e) {
        throw ECommand(ExitUsage, e.Message());
    }
    return number;
}

uint64_t TSerialCounter::Peek() const {
    return ReadChecked();
}

uint64_t TSerialCounter::Take() const {
    TCounterLock lock(FPath);
    const uint64_t number = ReadChecked();
    Replace(FPath, std::to_string(number + 1) + "\n");
    return number;
}

} // namespace vesk::cli
