// Intel HEX texts for tests: records with their checksums, words laid out low byte
// first at twice their word address, as the programmer's images hold them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vesk::test {

// One record: ':', byte count, 16-bit address, type, data, checksum, "\n".
std::string HexRecord(int type, int address, const std::vector<int>& bytes);
// The end-of-file record ":00000001FF\n".
std::string HexEndRecord();
// Data records for `words` from word address `first` on, `perRecord` words a record
// (byte addresses within the first 64 KiB; no end record).
std::string HexWords(int32_t first, const std::vector<int32_t>& words, int perRecord = 8);
// One data record for each (word address, word), then the end record.
std::string HexText(const std::map<int32_t, int32_t>& words);

} // namespace vesk::test
