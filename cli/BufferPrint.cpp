#include "cli/BufferPrint.h"

#include "chipdef/ChipSession.h"
#include "common/Text.h"

#include <ostream>
#include <string>

namespace vesk::cli {

namespace {

constexpr int32_t WordsPerRow = 8;

void PrintRegion(const TChipRegion& region, const std::vector<int32_t>& words, std::ostream& out) {
    if (region.Size <= 0) return;
    const int64_t end = int64_t(region.Start) + region.Size;
    for (int64_t row = region.Start - region.Start % WordsPerRow; row < end; row += WordsPerRow) {
        std::string line = Hex(int32_t(row), 6) + ":";
        std::string chars;
        for (int64_t address = row; address < row + WordsPerRow; ++address) {
            if (!region.Contains(address)) {
                line += "     ";
                chars += ' ';
                continue;
            }
            const int32_t value = words[size_t(address - region.Start)];
            line += " " + Hex(value, 4);
            const int low = value & 0xFF;
            chars += (low >= 0x20 && low <= 0x7E) ? char(low) : '.';
        }
        out << line << "  " << chars << "\n";
    }
}

} // namespace

void PrintBuffer(const TChipSession& session, int16_t regions, std::ostream& out) {
    bool first = true;
    for (RegionCode code : {RegionCodeCode, RegionCodeFuses, RegionCodeData}) {
        if (regions != AllRegions && regions != code) continue;
        if (!first) out << "\n";
        first = false;
        const TChipRegion& region = session.Chip().RegionByCode(code);
        PrintRegion(region, session.Words(region), out);
    }
}

} // namespace vesk::cli
