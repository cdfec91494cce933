// Writing Intel HEX text, the other way of IntelHexFile.h: records with their
// checksums, and files of data records with the address records they need.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesk {

constexpr uint8_t HexRecordData = 0x00;
constexpr uint8_t HexRecordEndOfFile = 0x01;
constexpr uint8_t HexRecordExtendedLinearAddress = 0x04;

// One record: ':', byte count, 16-bit address, type, data and checksum (the two's
// complement of the low byte of the sum of the bytes before it) in upper-case
// hexadecimal, then `lineEnd`.
std::string IntelHexRecord(uint8_t type, uint16_t address, const std::vector<uint8_t>& data,
                           std::string_view lineEnd = "\n");

// The text of a file, built record by record and closed by the end-of-file record.
class TIntelHexWriter {
  public:
    explicit TIntelHexWriter(std::string lineEnd = "\n") : FLineEnd(std::move(lineEnd)) {}

    // A data record of `data` at byte address `address`, which carries its low 16 bits;
    // an extended linear address record goes first when the upper 16 bits differ from
    // those in force (0 at the start). The caller keeps a record within 64 KiB.
    void Data(uint64_t address, const std::vector<uint8_t>& data);
    // The records so far and the end-of-file record.
    std::string Finish() const;

  private:
    std::string FLineEnd;
    std::string FText;
    uint64_t FUpper = 0;
};

// The text of a file holding `bytes` (byte address -> byte): data records of up to 16
// consecutive bytes that never cross a 16-byte boundary (so never a 64 KiB one), with
// the extended linear address records they need, then the end-of-file record.
std::string IntelHexOfBytes(const std::map<uint64_t, uint8_t>& bytes, std::string lineEnd = "\n");

// A file of one data record per word (word address -> word): its two bytes, low byte
// first, at byte address twice the word address in the first 64 KiB (higher bits are
// dropped, no extended address record), then the end-of-file record; lines end in LF.
std::string IntelHexWordPerRecord(const std::map<int32_t, int32_t>& words);

} // namespace vesk
