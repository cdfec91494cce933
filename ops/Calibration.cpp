#include "ops/Calibration.h"

#include "VESK_Exception.h"
#include "common/Text.h"

namespace vesk::ops {

int32_t GivenWordBits(const TChipRegion& region, int32_t address) {
    return region.ImplementedBits(address) & 0xFFFF;
}

std::string QuestionText(const TCalibrationQuestion& q) {
    return "The calibration word of the " + q.Chip + " at 0x" + Hex(q.Address, 6) + " reads 0x" +
           Hex(q.Word, 4) + ", which is no valid calibration (a valid one is " + q.FormText + ").";
}

std::string LastSeenText(const TCalibrationQuestion& q) {
    if (!q.Last) return {};
    return "Likely 0x" + Hex(q.Last->Word, 4) + ": the last one read from a " + q.Last->Chip + " on " +
           q.Last->Port + ", at " + q.Last->Time;
}

void CheckGivenCalibration(const TChipDefinition& chip, const std::map<int32_t, int32_t>& words) {
    for (const auto& [address, word] : words) {
        const TChipRegion* holder = nullptr;
        for (const TChipRegion& region : chip.Regions)
            if (region.CalibrationAt(address) != nullptr) holder = &region;
        if (holder == nullptr) {
            std::string known;
            for (const TChipRegion& region : chip.Regions)
                for (const TCalibration_t& calibration : region.Calibration)
                    known += (known.empty() ? "" : ", ") + std::string("0x") + Hex(calibration.Address, 6);
            throw Exception(
                chip.Name + " has no calibration word at 0x" + Hex(address, 6) +
                    (known.empty() ? " (it has none)" : " (its calibration words: " + known + ")"),
                TFailureKind::BadArgument);
        }
        const TCalibration_t& form = *holder->CalibrationAt(address);
        if ((int64_t(word) & ~int64_t(GivenWordBits(*holder, address))) != 0 || !form.Accepts(word))
            throw Exception("Calibration word given not valid: 0x" + Hex(word, 6) + " at 0x" +
                                Hex(address, 6) + " of the " + chip.Name + " (a valid one is " +
                                form.FormText(holder->ImplementedBits(address)) + ")",
                            TFailureKind::BadCalibration);
    }
}

} // namespace vesk::ops
