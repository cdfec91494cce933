#include "cli/HexWriter.h"

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace vesk::cli {

namespace {

constexpr int64_t RecordBytes = 16;

std::string Record(uint8_t type, uint16_t address, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> bytes{uint8_t(data.size()), uint8_t(address >> 8), uint8_t(address), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    uint8_t sum = 0;
    std::string line = ":";
    char hex[3];
    for (uint8_t b : bytes) {
        sum = uint8_t(sum + b);
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    std::snprintf(hex, sizeof hex, "%02X", uint8_t(-sum));
    return line + hex + "\r\n";
}

} // namespace

std::string BufferToIntelHex(const TChipDefinition& chip) {
    // Byte address -> byte, every non-default word as two bytes.
    std::map<int64_t, uint8_t> bytes;
    for (RegionCode code : {RegionCodeCode, RegionCodeData, RegionCodeFuses}) {
        if (!chip.HasRegion(code)) continue;
        const TChipRegion& region = chip.RegionByCode(code);
        for (int32_t i = 0; i < region.Size; ++i) {
            const int32_t word = region.Data[size_t(i)];
            if (word == region.Default) continue;
            const int64_t byteAddress = (int64_t(region.Start) + i) * 2;
            bytes[byteAddress] = uint8_t(word & 0xFF);
            bytes[byteAddress + 1] = uint8_t((word >> 8) & 0xFF);
        }
    }

    std::string text;
    int64_t upper = 0; // upper 16 bits in force; 0 until an 04 record says otherwise
    auto it = bytes.begin();
    while (it != bytes.end()) {
        const int64_t start = it->first;
        const int64_t blockEnd = (start / RecordBytes + 1) * RecordBytes;
        std::vector<uint8_t> data;
        int64_t next = start;
        while (it != bytes.end() && it->first == next && next < blockEnd) {
            data.push_back(it->second);
            ++it;
            ++next;
        }
        if ((start >> 16) != upper) {
            upper = start >> 16;
            text += Record(0x04, 0, {uint8_t(upper >> 8), uint8_t(upper)});
        }
        text += Record(0x00, uint16_t(start & 0xFFFF), data);
    }
    return text + Record(0x01, 0, {});
}

} // namespace vesk::cli
