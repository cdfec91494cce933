#include "chipdef/BufferHex.h"

#include "chipdef/ChipSession.h"
#include "hexfile/IntelHexWriter.h"

#include <map>

namespace vesk {

namespace {

// The word's two bytes at byte address word address x 2, low byte first.
void PutWord(std::map<uint64_t, uint8_t>& bytes, int64_t address, int32_t word) {
    const uint64_t byteAddress = uint64_t(address) * 2;
    bytes[byteAddress] = uint8_t(word & 0xFF);
    bytes[byteAddress + 1] = uint8_t((word >> 8) & 0xFF);
}

} // namespace

std::string BufferToIntelHex(const TChipSession& session) {
    const TChipDefinition& chip = session.Chip();
    std::map<uint64_t, uint8_t> bytes;
    for (RegionCode code : {RegionCodeCode, RegionCodeData, RegionCodeFuses}) {
        if (!chip.HasRegion(code)) continue;
        const TChipRegion& region = chip.RegionByCode(code);
        for (int32_t i = 0; i < region.Size; ++i) {
            const int32_t word = session.Words(region)[size_t(i)];
            if (word != region.Default) PutWord(bytes, int64_t(region.Start) + i, word);
        }
    }
    return IntelHexOfBytes(bytes, "\r\n");
}

std::string ImageWithBufferWords(const TIntelHexFile& image, const TChipSession& session,
                                 const std::set<int32_t>& addresses) {
    std::map<uint64_t, uint8_t> bytes = ImageBytes(image);
    for (const int32_t address : addresses)
        PutWord(bytes, address, session.Word(address));
    return IntelHexOfBytes(bytes, "\r\n");
}

} // namespace vesk
