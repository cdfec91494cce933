// Whole-file reading: POSIX calls, or the Windows API.
#include "common/WholeFile.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vesk {

namespace {

#ifdef _WIN32
constexpr int FolderError = ERROR_DIRECTORY;
constexpr int SpecialFileError = ERROR_INVALID_FUNCTION;
#else
constexpr int FolderError = EISDIR;
constexpr int SpecialFileError = EINVAL;
#endif

std::string FailureReason(TFileReadFailure failure, int systemError, std::size_t maxBytes) {
    switch (failure) {
    case TFileReadFailure::Folder:
        return SystemErrorText(FolderError);
    case TFileReadFailure::NotRegular:
        return SystemErrorText(SpecialFileError);
    case TFileReadFailure::TooLarge:
        return "File is larger than " + std::to_string(maxBytes) + " bytes";
    default:
        return SystemErrorText(systemError);
    }
}

// Collects the bytes read, within the limit.
class TCollector {
  public:
    TCollector(const std::string& fileName, std::size_t maxBytes)
        : FFileName(fileName), FMaxBytes(maxBytes) {}
    [[noreturn]] void Fail(TFileReadFailure failure, int systemError = 0) const {
        throw EFileRead(failure, systemError, FFileName, FMaxBytes);
    }
    void Append(const char* bytes, std::size_t count) {
        if (FData.size() + count > FMaxBytes) Fail(TFileReadFailure::TooLarge);
        FData.append(bytes, count);
    }
    std::string& Data() { return FData; }

  private:
    const std::string& FFileName;
    std::size_t FMaxBytes;
    std::string FData;
};

} // namespace

EFileRead::EFileRead(TFileReadFailure failure, int systemError, const std::string& fileName,
                     std::size_t maxBytes)
    : Exception(std::string(failure == TFileReadFailure::CannotRead || failure == TFileReadFailure::TooLarge
                                ? "Cannot read"
                                : "Cannot open") +
                    " file \"" + fileName + "\". " + FailureReason(failure, systemError, maxBytes),
                TFailureKind::FileAccess),
      FFailure(failure), FSystemError(systemError), FReason(FailureReason(failure, systemError, maxBytes)) {}

#ifdef _WIN32

std::string SystemErrorText(int error) {
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, DWORD(error), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = n && text ? std::string(text, n) : "Error " + std::to_string(DWORD(error));
    if (text) ::LocalFree(text);
    while (!reason.empty() &&
           (reason.back() == '\r' || reason.back() == '\n' || reason.back() == ' ' || reason.back() == '.'))
        reason.pop_back();
    return reason;
}

namespace {

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& fileName, std::size_t maxBytes) {
    TCollector collector(fileName, maxBytes);
    const DWORD attributes = ::GetFileAttributesA(fileName.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (IsMissing(error)) return std::nullopt;
        collector.Fail(TFileReadFailure::CannotOpen, int(error));
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) collector.Fail(TFileReadFailure::Folder);
    const HANDLE file =
        ::CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (IsMissing(error)) return std::nullopt;
        collector.Fail(TFileReadFailure::CannotOpen, int(error));
    }
    // Closes the file on every way out.
    struct TClose {
        HANDLE Handle;
        ~TClose() { ::CloseHandle(Handle); }
    } closer{file};
    // Only disk files: a pipe or device in the file's place could block the reader.
    if (::GetFileType(file) != FILE_TYPE_DISK) collector.Fail(TFileReadFailure::NotRegular);
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &n, nullptr))
            collector.Fail(TFileReadFailure::CannotRead, int(::GetLastError()));
        if (n == 0) break;
        collector.Append(buffer, n);
    }
    return std::move(collector.Data());
}

#else

std::string SystemErrorText(int error) {
    return std::strerror(error);
}

std::optional<std::string> ReadWholeFile(const std::string& fileName, std::size_t maxBytes) {
    TCollector collector(fileName, maxBytes);
    // Non-blocking, so that a pipe in the file's place cannot hang the reader.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        collector.Fail(TFileReadFailure::CannotOpen, errno);
    }
    // Closes the file on every way out.
    struct TClose {
        int Fd;
        ~TClose() { ::close(Fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        collector.Fail(S_ISDIR(st.st_mode) ? TFileReadFailure::Folder : TFileReadFailure::NotRegular);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            collector.Fail(TFileReadFailure::CannotRead, errno);
        }
        collector.Append(buffer, static_cast<std::size_t>(n));
    }
    return std::move(collector.Data());
}

#endif

} // namespace vesk
