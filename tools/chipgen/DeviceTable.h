// The facts of chips/data/devices.json as the chip file generator reads them: one record
// per part, every number already checked and parsed (chips/data/README.md says what each
// key means).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesk::chipgen {

struct Option_t {
    std::string Name;
    uint32_t Value = 0; // within the field's mask
};

// One setting of a configuration word, named as the compilers' configuration
// directives name it.
struct Field_t {
    std::string Name;
    uint32_t Mask = 0;
    std::vector<Option_t> Options;
};

struct ConfigWord_t {
    uint32_t Address = 0;     // word address of the image files
    uint32_t Erased = 0;      // the word's value on an erased chip
    uint32_t Implemented = 0; // the bits the silicon has (all field masks)
    std::vector<Field_t> Fields;
};

// Bits of one configuration word that protect a memory when programmed to 0.
struct Protection_t {
    uint32_t Address = 0;
    uint32_t Mask = 0;
};

// Factory calibration a programmer must keep. Each kind has its own valid form.
enum class TCalibration {
    Osccal,         // the last program word, a RETLW holding the oscillator setting
    BandGap,        // configuration bits 13:12
    CalibrationWord // the configuration-space word 0x2008 of a few PIC16F6xx
};

struct Calibration_t {
    TCalibration Kind = TCalibration::Osccal;
    uint32_t Address = 0;
    uint32_t Mask = 0;
};

struct Device_t {
    std::string Name;
    bool Pic18 = false; // else mid-range (14-bit words, configuration from 0x2007)
    // The device ID (revision bits zero) and the bits that name the part; both absent
    // for the parts that have no ID.
    std::optional<uint32_t> Id, IdMask;
    uint32_t CodeWords = 0;
    uint32_t EepromBytes = 0;
    uint32_t IdWords = 0;
    std::vector<ConfigWord_t> Config; // consecutive words, in address order
    std::optional<Protection_t> CodeProtect, DataProtect;
    std::vector<Calibration_t> Calibration;
};

// Reads the table; throws std::runtime_error naming the part and the key at fault for
// anything the generator could not express faithfully.
std::vector<Device_t> ReadDeviceTable(const std::string& path);

} // namespace vesk::chipgen
