// Crash-safe whole-file writing on Windows.
#include "storage/SafeFile.h"
#include "storage/SettingsPlace.h"

#include "common/ProgramFolder.h"
#include "common/VESK_Exception.h"
#include "common/WholeFile.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vesk {

namespace {

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

void WriteFileAtomically(const std::string& fileName, const std::string& data) {
    const std::string target = ResolveTarget(fileName);
    const std::string folder = FolderOf(target);
    auto fail = [&](DWORD error) {
        throw Exception("Cannot write file \"" + fileName + "\". " + SystemErrorText(int(error)),
                        TFailureKind::FileAccess);
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
