// Reading a whole file into memory. Only regular files are read: a device, pipe or
// folder in the file's place could block the reader or never end.
#pragma once

#include "common/VESK_Exception.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vesk {

// The system's text for an error number (errno; on Windows a GetLastError() code),
// without a trailing period or line end.
std::string SystemErrorText(int error);

// Why an existing file could not be read.
enum class TFileReadFailure {
    Folder,     // the name is a folder
    NotRegular, // a device, pipe or other special file
    CannotOpen, // the system refused to open it
    CannotRead, // reading it failed
    TooLarge,   // it holds more bytes than allowed
};

// A file that exists but cannot be read. Message: "Cannot open file \"NAME\". REASON"
// ("Cannot read file ..." when reading failed or the file is too large). The reason is
// the system's text of the error: of EISDIR for a folder and EINVAL for another special
// file (on Windows of ERROR_DIRECTORY and ERROR_INVALID_FUNCTION); "File is larger than
// N bytes" for one over the limit.
class EFileRead : public Exception {
  public:
    EFileRead(TFileReadFailure failure, int systemError, const std::string& fileName, std::size_t maxBytes);
    TFileReadFailure Failure() const noexcept { return FFailure; }
    int SystemError() const noexcept { return FSystemError; } // 0 for TooLarge
    const std::string& Reason() const noexcept { return FReason; }

  private:
    TFileReadFailure FFailure;
    int FSystemError;
    std::string FReason;
};

// The bytes of the file; nothing when it does not exist (on Windows also when a folder
// on its way does not). Raises EFileRead when it exists but is no regular file, cannot
// be opened or read, or holds more than `maxBytes` bytes.
std::optional<std::string> ReadWholeFile(const std::string& fileName, std::size_t maxBytes = SIZE_MAX);

} // namespace vesk
