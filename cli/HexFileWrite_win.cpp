// Writing an output file whole on Windows: a temporary file beside it, moved over it.
#include "cli/HexWriter.h"

#include "VESK_Exception.h"

#include <windows.h>

#include <algorithm>

namespace vesk::cli {

namespace {

// The system's text for an error code, without the trailing period and line end.
std::string Reason(DWORD error) {
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = n && text ? std::string(text, n) : "Error " + std::to_string(error);
    if (text) ::LocalFree(text);
    while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' || reason.back() == '.'))
        reason.pop_back();
    return reason;
}

} // namespace

void WriteFileAtomically(const std::string& path, const std::string& text) {
    const std::size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    char temp[MAX_PATH];
    if (!::GetTempFileNameA(folder.c_str(), "vsk", 0, temp))
        throw Exception("Cannot create a file beside " + path + ": " + Reason(::GetLastError()));
    auto fail = [&](HANDLE file) {
        const DWORD error = ::GetLastError();
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
        ::DeleteFileA(temp);
        throw Exception("Cannot write " + path + ": " + Reason(error));
    };
    const HANDLE file =
        ::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) fail(file);
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(text.size() - done, 1u << 20));
        if (!::WriteFile(file, text.data() + done, chunk, &n, nullptr)) fail(file);
        done += n;
    }
    if (!::FlushFileBuffers(file)) fail(file);
    if (!::CloseHandle(file)) fail(INVALID_HANDLE_VALUE);
    if (!::MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail(INVALID_HANDLE_VALUE);
}

} // namespace vesk::cli
