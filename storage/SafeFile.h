// Whole-file reading and crash-safe whole-file writing.
#pragma once

#include <optional>
#include <string>

namespace vesk {

// The file's bytes; nothing when the file does not exist. Raises
// `vesk::Exception` when it exists but cannot be read (a folder, no permission).
std::optional<std::string> ReadWholeFile(const std::string& fileName);

// Replaces the file's contents with `data` so that the old contents survive any
// failure: the data goes to a new temporary file in the same folder, is flushed
// to disk, takes the old file's permissions, and is renamed over the old file
// (over the target of a symbolic link). Raises `vesk::Exception` naming the file
// and the system's reason; the temporary file is then removed.
void WriteFileAtomically(const std::string& fileName, const std::string& data);

} // namespace vesk
