// Crash-safe whole-file writing (the reading is common/WholeFile.h).
#pragma once

#include <string>

namespace vesk {

// Replaces the file's contents with `data` so that the old contents survive any
// failure: the data goes to a new temporary file in the same folder, is flushed
// to disk, takes the old file's permissions, and is renamed over the old file
// (over the target of a symbolic link). Raises `vesk::Exception` naming the file
// and the system's reason; the temporary file is then removed.
void WriteFileAtomically(const std::string& fileName, const std::string& data);

} // namespace vesk
