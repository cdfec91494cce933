#include "chipdef/BufferHex.h"

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"
#include "hexfile/IntelHexWriter.h"

#include <algorithm>
#include <map>
#include <vector>

namespace vesk {

namespace {

constexpr int64_t RecordBytes = 16;

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

    TIntelHexWriter text("\r\n");
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
        text.Data(uint64_t(start), data);
    }
    return text.Finish();
}

} // namespace vesk
