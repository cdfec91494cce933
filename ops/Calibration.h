// The calibration words of an erase as the window and `vesk` handle them: the words
// the user gives, the question asked when a word read is no valid calibration, and the
// memory of calibration values that every valid word read goes to.
#pragma once

#include "chipdef/ChipDefinition.h"
#include "storage/CalibrationMemory.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace vesk::ops {

// A calibration word read before an erase that no valid calibration is, as the caller
// is asked for the chip's own.
struct TCalibrationQuestion {
    std::string Chip; // chip type
    std::string Port;
    int32_t Address = 0;
    int32_t Word = 0;      // what the target reads there
    TCalibration_t Form;   // a valid word is one that Form.Accepts
    std::string FormText;  // "0x34nn"
    int32_t WordMask = -1; // the bits the word has
    // The last valid word the memory holds for this chip type, port and address.
    std::optional<TCalibrationRecord> Last;

    // A word the user may give: valid, and within the bits the word has (WordMask:
    // GivenWordBits).
    bool Accepts(int64_t word) const {
        return word >= 0 && (word & ~int64_t(uint32_t(WordMask))) == 0 && Form.Accepts(int32_t(word));
    }
};

// "The calibration word of the PIC12F675 at 0x0003FF reads 0x0000, which is no valid
// calibration (a valid one is 0x34nn)."
std::string QuestionText(const TCalibrationQuestion& question);
// "Likely 0x3454: the last one read from a PIC12F675 on /dev/ttyUSB0, at <time>"; ""
// when the memory knows none.
std::string LastSeenText(const TCalibrationQuestion& question);

// The bits a word given for the address may have: those the chip's word has, within
// the four hexadecimal digits of the programmer's words.
int32_t GivenWordBits(const TChipRegion& region, int32_t address);

// The words the user gives (address -> word) are calibration words of the chip and
// valid ones; raises `Exception` naming the first that is not.
void CheckGivenCalibration(const TChipDefinition& chip, const std::map<int32_t, int32_t>& words);

} // namespace vesk::ops
