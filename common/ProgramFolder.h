// The running program's own file: where it is and what it is called; and the folder
// part of any file name.
#pragma once

#include <string>

namespace vesk {

// The running program's full file name: from /proc/self/exe on POSIX, from the
// module's file name on Windows; "" when it cannot be found.
std::string ProgramPath();

// The running program's folder, ending in a separator ('/'; on Windows the last '\' or
// '/' of the module's file name); "" when it cannot be found. The settings take ""
// as it comes (a file name relative to the working folder); the chip definitions,
// which need a folder to search, map it to "./" (ProgramDirectory()).
std::string ProgramFolder();

// The running program's file name without folder and extension; "" when unknown.
std::string ProgramBaseName();

// The folder part of a file name, up to and including its last separator ('/'; on
// Windows '\' or '/'); "" for a name without one.
std::string FolderOf(const std::string& path);

} // namespace vesk
