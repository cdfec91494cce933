#include "chipdef/SerialNumber.h"

#include "VESK_Exception.h"
#include "common/Text.h"

#include <string>

namespace vesk {

namespace {

constexpr int32_t Retlw = 0x3400; // RETLW k: return with the literal k in W

std::string HexAddress(int64_t address) {
    return "0x" + Hex(address, 6);
}

// Bytes per word where the number is stored, 0 when the region cannot hold one.
int BytesPerWord(const TChipDefinition& chip, const TChipRegion& region) {
    if (region.Code == RegionCodeData) return 1;
    if (region.Code != RegionCodeCode) return 0;
    const AlgorithmCode algorithm = region.Algorithm >= 0 ? region.Algorithm : chip.Algorithm;
    return algorithm == AlgorithmPIC18 ? 2 : 1;
}

} // namespace

void CheckSerialNumberFits(uint64_t number, int bytes) {
    if (bytes < SerialBytesMin || bytes > SerialBytesMax)
        throw VESK_Exception("Serial number length " + std::to_string(bytes) + " bytes: must be 1 to 8",
                             TFailureKind::BadArgument);
    if (bytes < 8 && (number >> (8 * bytes)) != 0)
        throw VESK_Exception("Serial number " + std::to_string(number) + " does not fit in " +
                                 std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes"),
                             TFailureKind::BadArgument);
}

std::vector<std::pair<int32_t, int32_t>> SerialNumberWords(const TChipDefinition& chip, int32_t address,
                                                           uint64_t number, int bytes) {
    CheckSerialNumberFits(number, bytes);
    const std::string where = "Serial number at " + HexAddress(address);
    const TChipRegion* region = nullptr;
    for (const TChipRegion& r : chip.Regions)
        if (r.Contains(address)) {
            region = &r;
            break;
        }
    if (region == nullptr)
        throw VESK_Exception(where + ": chip " + chip.Name + " has no region there",
                             TFailureKind::BadArgument);
    const int perWord = BytesPerWord(chip, *region);
    if (perWord == 0)
        throw VESK_Exception(where + ": the " + region->Name + " region cannot hold a serial number",
                             TFailureKind::BadArgument);
    const int words = (bytes + perWord - 1) / perWord;
    if (!region->Contains(int64_t(address) + words - 1))
        throw VESK_Exception(where + ": " + std::to_string(words) + " words do not fit in the " +
                                 region->Name + " region, which ends at " +
                                 HexAddress(int64_t(region->Start) + region->Size - 1),
                             TFailureKind::BadArgument);
    std::vector<std::pair<int32_t, int32_t>> result;
    for (int i = 0; i < words; ++i) {
        int32_t value = 0;
        for (int b = 0; b < perWord && i * perWord + b < bytes; ++b)
            value |= int32_t((number >> (8 * (i * perWord + b))) & 0xFF) << (8 * b);
        if (region->Code == RegionCodeCode && perWord == 1) value |= Retlw;
        result.emplace_back(address + i, value);
    }
    return result;
}

void PlaceSerialNumber(TChipSession& session, int32_t address, uint64_t number, int bytes) {
    for (const auto& [at, value] : SerialNumberWords(session.Chip(), address, number, bytes))
        session.SetWord(at, value);
}

} // namespace vesk
