// Reading text files as lines, shared by the image reader and the chip definition reader.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vesk {

// Splits text into lines: a line ends at CR, LF or the pair CR LF. A line break after
// the last line adds no empty line; every other line, empty ones included, counts.
// Throws Exception "File has more than N lines" when there are more than `maxLines`.
std::vector<std::string> SplitTextLines(const std::string& text,
                                        std::size_t maxLines = static_cast<std::size_t>(-1));

// Reads a whole regular file into memory. Throws `Exception` with a short reason
// ("Cannot open file: ...", "Not a regular file", "File is larger than N bytes", ...)
// instead of reading devices, pipes or directories, which could block or never end.
std::string ReadTextFile(const std::string& path, std::size_t maxBytes);

} // namespace vesk
