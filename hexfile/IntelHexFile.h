// Intel HEX image files: the reader, its records, and the cursor that yields the
// image's data as 16-bit words with their word addresses.
//
// The file addresses bytes, the chips address words: every word is two bytes of a
// data record, low byte first, and its word address is the byte address / 2.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vesk {

// Record types the reader gives a meaning to; every other type is checked and skipped.
constexpr uint8_t IntelHexDataRecord = 0x00;
constexpr uint8_t IntelHexEndOfFileRecord = 0x01;
constexpr uint8_t IntelHexExtendedLinearAddressRecord = 0x04;

// One line of an Intel HEX file.
class TIntelHexFileRecord {
  public:
    int32_t Column = 1;           // 1-based column of the next character to read in `Line`
    std::string Marker;           // the line's first character; ":" for a valid record
    uint8_t ByteCount = 0;        // number of data bytes as written in the record
    uint16_t Address = 0;         // low 16 bits of the byte address
    uint16_t ExtendedAddress = 0; // upper 16 bits, as the records before this one set them
    uint8_t RecordType = 0;       // 00 data, 04 extended linear address, others skipped
    std::vector<uint8_t> Data;    // exactly `ByteCount` bytes
    uint8_t Checksum = 0;         // checksum byte as written
    std::string Line;             // the text line parsed

    // Fills the record from `line`, whose byte addresses have `extendedAddress` as
    // their upper 16 bits, and validates it. Returns true or throws `VESK_Exception`
    // "Record read error on column N\n<cause>".
    bool Parse(const std::string& line, uint16_t extendedAddress = 0);
    // The upper 16 bits for the records after this one: an extended linear address
    // record's value (when it has its two bytes), else this record's own.
    uint16_t NextExtendedAddress() const;
    // Two's complement of the low byte of the sum of count, address bytes, type and data.
    uint8_t ComputeChecksum() const;
    // Marker, data size and checksum; true or throws.
    bool Validate() const;

  private:
    uint8_t ReadByte();
};

// A loaded image file: its lines and one parsed record per line.
class TIntelHexFile {
  public:
    std::vector<std::string> Lines;
    int32_t LineIndex = 0; // line being parsed during Load; number of lines afterwards
    std::string FileName;  // the name last given to Load
    std::vector<TIntelHexFileRecord> Records;

    // Discards the content, reads the file (an empty name means `FileName` from
    // before) and parses every line. After an end-of-file record a line that begins
    // with ';' is a comment (some compilers append their chip name and a checksum
    // there): its record stays empty, with `Marker` ";" and `Line` kept; an empty line
    // there (some compilers end the file with one) leaves its record empty. Elsewhere an
    // empty line is a bad record. Returns true or throws
    // `VESK_Exception` "File read error: <name>\nError on line N\n<cause>"; a file that cannot be opened or
    // read reports line 0. Files above 64 MiB or 2 Mi lines are refused.
    bool Load(const std::string& fileName);
    // The same, for text already in memory; `name` only labels the messages.
    bool LoadFromText(const std::string& text, const std::string& name);
};

// Walks the data words of a loaded file (which must stay unchanged meanwhile), in
// line order and, within a record, in byte order. Records other than data records and
// data records without bytes are skipped; an end-of-file record does not end the walk.
//
// Every byte lands in its word by its byte address: an even address is the low half,
// an odd one the high half. A record of whole words at an even address yields whole
// words; a record that starts at an odd address yields first the high half of that
// word alone, and one that ends on an even address last the low half alone
// (configuration bytes are written one at a time by some compilers). `ByteMask` tells
// which halves the current word has.
class TIntelHexFileIterator {
  public:
    explicit TIntelHexFileIterator(const TIntelHexFile& file);

    bool IsValid() const;
    // The word (low byte first), 0..65535; -1 when not valid. A half the record does
    // not give is 0 here.
    int32_t Value() const;
    // The halves of `Value` the record gives: 0xFFFF, 0x00FF (low byte only) or 0xFF00
    // (high byte only); 0 when not valid.
    int32_t ByteMask() const;
    // (ExtendedAddress * 65536 + Address + byte offset) / 2, computed without
    // overflow (up to 0x8000007F for the highest extended addresses); -1 when not valid.
    int64_t WordAddress() const;
    // Advances to the next data word; false when there is none.
    bool Next();

  private:
    // Steps onto the first data byte at or after the position; false at the end.
    bool Settle();
    // Byte address of the current byte.
    int64_t ByteAddress() const;
    // Bytes of the record that the current word takes: 1 or 2.
    int32_t WordBytes() const;

    const TIntelHexFile& FFile;
    int32_t FRecordIndex = 0;
    int32_t FByteOffset = 0;
};

// Every data byte of a loaded file by its byte address; a later byte for the same
// address replaces an earlier one, as in the buffer.
std::map<uint64_t, uint8_t> ImageBytes(const TIntelHexFile& file);

} // namespace vesk
