// Whole-file reading and crash-safe whole-file writing on Windows.
#include "storage/SafeFile.h"
#include "storage/SettingsPlace.h"

#include "common/VESK_Exception.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vesk {

namespace {

// The system's text for an error code, without the trailing period and line end.
std::string Reason(DWORD error) {
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = n && text ? std::string(text, n) : "Error " + std::to_string(error);
    if (text) ::LocalFree(text);
    while (!reason.empty() &&
           (reason.back() == '\r' || reason.back() == '\n' || reason.back() == ' ' || reason.back() == '.'))
        reason.pop_back();
    return reason;
}

std::string FolderOf(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Closes the handle on every way out.
class THandle {
  public:
    explicit THandle(HANDLE handle) : FHandle(handle) {}
    ~THandle() { Close(); }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return FHandle; }
    bool Close() {
        const bool ok = FHandle == INVALID_HANDLE_VALUE || ::CloseHandle(FHandle);
        FHandle = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE FHandle;
};

// Removes the temporary file unless released.
class TTempName {
  public:
    explicit TTempName(std::string name) : FName(std::move(name)) {}
    ~TTempName() {
        if (!FName.empty()) ::DeleteFileA(FName.c_str());
    }
    TTempName(const TTempName&) = delete;
    TTempName& operator=(const TTempName&) = delete;
    const std::string& Name() const { return FName; }
    void Release() { FName.clear(); }

  private:
    std::string FName;
};

// The file that is really written: a symbolic link is followed, so that the
// link itself stays in place and its target receives the new contents.
std::string ResolveTarget(const std::string& fileName) {
    std::error_code ec;
    if (std::filesystem::is_symlink(fileName, ec)) {
        const auto resolved = std::filesystem::canonical(fileName, ec);
        if (!ec) return resolved.string();
    }
    return fileName;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& fileName) {
    auto fail = [&](const char* what, DWORD error) -> std::optional<std::string> {
        throw Exception(std::string(what) + " file \"" + fileName + "\". " + Reason(error));
    };
    const DWORD attributes = ::GetFileAttributesA(fileName.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (IsMissing(error)) return std::nullopt;
        return fail("Cannot open", error);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return fail("Cannot open", ERROR_DIRECTORY);
    THandle file(::CreateFileA(fileName.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (IsMissing(error)) return std::nullopt;
        return fail("Cannot open", error);
    }
    // Only disk files: a pipe or device in the file's place could block the reader.
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) return fail("Cannot open", ERROR_INVALID_FUNCTION);
    std::string data;
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr))
            return fail("Cannot read", ::GetLastError());
        if (n == 0) break;
        data.append(buffer, n);
    }
    return data;
}

void WriteFileAtomically(const std::string& fileName, const std::string& data) {
    const std::string target = ResolveTarget(fileName);
    const std::string folder = FolderOf(target);
    auto fail = [&](DWORD error) {
        throw Exception("Cannot write file \"" + fileName + "\". " + Reason(error));
    };

    const DWORD attributes = ::GetFileAttributesA(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) fail(ERROR_DIRECTORY);
    // A file the user made read-only is not replaced behind his back.
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) fail(ERROR_ACCESS_DENIED);

    // A new, uniquely named file in the same folder, so that the final move is a
    // rename within one volume.
    char tempName[MAX_PATH];
    if (!::GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "vsk", 0, tempName))
        fail(::GetLastError());
    TTempName temp(tempName);
    {
        THandle file(::CreateFileA(temp.Name().c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.Get() == INVALID_HANDLE_VALUE) fail(::GetLastError());
        std::size_t written = 0;
        while (written < data.size()) {
            const DWORD chunk = DWORD(std::min<std::size_t>(data.size() - written, 1u << 20));
            DWORD n = 0;
            if (!::WriteFile(file.Get(), data.data() + written, chunk, &n, nullptr)) fail(::GetLastError());
            written += n;
        }
        if (!::FlushFileBuffers(file.Get())) fail(::GetLastError());
        if (!file.Close()) fail(::GetLastError());
    }
    // An old file is replaced keeping its attributes and permissions; the
    // write-through move makes the rename itself durable.
    const bool moved = exists
                           ? ::ReplaceFileA(target.c_str(), temp.Name().c_str(), nullptr,
                                            REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                           : ::MoveFileExA(temp.Name().c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    if (!moved) fail(::GetLastError());
    temp.Release();
}

} // namespace vesk

namespace vesk {

// On Windows the settings stay beside the program, as they always have.
std::string UserConfigFolder() {
    return {};
}

TSettingsPlace PlaceSettingsFile(const std::string& folder, const std::string& fileName) {
    return {folder + fileName, folder + fileName, false};
}

} // namespace vesk
