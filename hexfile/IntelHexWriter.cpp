#include "hexfile/IntelHexWriter.h"

#include "common/Text.h"

namespace vesk {

std::string IntelHexRecord(uint8_t type, uint16_t address, const std::vector<uint8_t>& data,
                           std::string_view lineEnd) {
    std::vector<uint8_t> bytes{uint8_t(data.size()), uint8_t(address >> 8), uint8_t(address), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    uint8_t sum = 0;
    std::string line = ":";
    for (uint8_t b : bytes) {
        sum = uint8_t(sum + b);
        line += Hex(b, 2);
    }
    return line + Hex(uint8_t(-sum), 2) + std::string(lineEnd);
}

void TIntelHexWriter::Data(uint64_t address, const std::vector<uint8_t>& data) {
    if ((address >> 16) != FUpper) {
        FUpper = address >> 16;
        FText += IntelHexRecord(HexRecordExtendedLinearAddress, 0, {uint8_t(FUpper >> 8), uint8_t(FUpper)},
                                FLineEnd);
    }
    FText += IntelHexRecord(HexRecordData, uint16_t(address), data, FLineEnd);
}

std::string TIntelHexWriter::Finish() const {
    return FText + IntelHexRecord(HexRecordEndOfFile, 0, {}, FLineEnd);
}

std::string IntelHexOfBytes(const std::map<uint64_t, uint8_t>& bytes, std::string lineEnd) {
    constexpr uint64_t RecordBytes = 16;
    TIntelHexWriter text(std::move(lineEnd));
    auto it = bytes.begin();
    while (it != bytes.end()) {
        const uint64_t start = it->first;
        const uint64_t blockEnd = (start / RecordBytes + 1) * RecordBytes;
        std::vector<uint8_t> data;
        for (uint64_t next = start; it != bytes.end() && it->first == next && next < blockEnd; ++it, ++next)
            data.push_back(it->second);
        text.Data(start, data);
    }
    return text.Finish();
}

std::string IntelHexWordPerRecord(const std::map<int32_t, int32_t>& words) {
    TIntelHexWriter writer;
    for (const auto& [address, word] : words)
        writer.Data(uint32_t(address) * 2 & 0xFFFF, {uint8_t(word), uint8_t(word >> 8)});
    return writer.Finish();
}

} // namespace vesk
