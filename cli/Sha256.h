// SHA-256 (FIPS 180-4) of a byte string, for the record of which image went into a chip.
#pragma once

#include <string>
#include <string_view>

namespace vesk::cli {

// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

// The digest of a file's contents; empty when it cannot be read.
std::string FileSha256(const std::string& path);

} // namespace vesk::cli
