// Reading text files as lines, shared by the image reader and the chip definition reader.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vesk {

// Splits text into lines: a line ends at CR, LF or the pair CR LF. A line break after
// the last line adds no empty line; every other line, empty ones included, counts.
std::vector<std::string> SplitTextLines(const std::string& text);

// Reads a whole regular file into memory. Throws `Exception` with a short reason
// ("Cannot open file: ...", "Not a regular file", "File is larger than N bytes", ...)
// instead of reading devices, pipes or directories, which could block or never end.
std::string ReadTextFile(const std::string& path, std::size_t maxBytes);

} // namespace vesk
