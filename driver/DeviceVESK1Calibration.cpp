// Calibration words across an erase: checked before the chip is erased, so that a word
// that no valid calibration is (a protected chip reads 0, a lost one reads blank) is
// never written back as if it were the chip's own.
#include "driver/DeviceVESK1.h"
#include "driver/DeviceVESK1Failures.h"

#include "VESK_Exception.h"
#include "chipdef/ChipSession.h"
#include "common/Text.h"

namespace vesk {

namespace {

// "PIC12F675 reads 0x000000 at 0x0003FF (a valid one is 0x34nn)"
std::string Where(const TChipDefinition& chip, const TCalibrationRead_t& read) {
    return chip.Name + " reads 0x" + Hex(read.Word, 6) + " at 0x" + Hex(read.Calibration.Address, 6) +
           " (a valid one is " +
           read.Calibration.FormText(read.Region.ImplementedBits(read.Calibration.Address)) + ")";
}

} // namespace

std::string failed::CalibrationNotValid(const TChipDefinition& chip, const TCalibrationRead_t& read) {
    return "Calibration word not valid: " + Where(chip, read) + "; the chip was not erased\n" +
           "Give the chip's own word: \"--calibration 0x" + Hex(read.Calibration.Address, 1) +
           "=WORD\" for vesk, the calibration dialog in the window";
}

std::string failed::CalibrationGivenNotValid(const TChipDefinition& chip, const TCalibrationRead_t& read,
                                             int32_t given) {
    return "Calibration word given not valid: 0x" + Hex(given, 6) + " for " + Where(chip, read) +
           "; the chip was not erased";
}

void TDeviceVESK1::CheckCalibration() {
    for (const TChipRegion& region : Target()->Regions)
        for (const TCalibration_t& calibration : region.Calibration) {
            // Every calibration address is one of the region's preserved words, all
            // of which `SavePreserved` has just read.
            int32_t& saved = FSession->Saved.at(calibration.Address);
            const TCalibrationRead_t read{region, calibration, saved};
            const std::optional<int32_t> given =
                OnCalibrationRestore ? OnCalibrationRestore(read) : std::nullopt;
            if (given && !calibration.Accepts(*given))
                throw Exception(failed::CalibrationGivenNotValid(*Target(), read, *given),
                                TFailureKind::BadCalibration);
            if (given)
                saved = *given;
            else if (!calibration.Accepts(saved))
                throw Exception(failed::CalibrationNotValid(*Target(), read), TFailureKind::BadCalibration);
        }
}

void TDeviceVESK1::ReportCalibration(const TChipRegion& region, int32_t address, int32_t word) {
    if (!OnCalibrationRead) return;
    const TCalibration_t* calibration = region.CalibrationAt(address);
    if (calibration != nullptr && calibration->Accepts(word)) OnCalibrationRead({region, *calibration, word});
}

} // namespace vesk
