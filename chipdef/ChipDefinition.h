// The chip and region model: one `TChipDefinition` per chip type, its memory regions
// (`TChipRegion`) and preserve entries. These are read-only facts once loaded; the image
// being programmed lives in a session (ChipSession.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hexfile/IntelHexFile.h"

namespace vesk {

using RegionCode = int16_t;
using AlgorithmCode = int32_t;

// Region codes of `RegionNameTable`. No region has the code 0 (0 is "erase" for the driver).
constexpr RegionCode RegionCodeCode = 1;
constexpr RegionCode RegionCodeData = 2;
constexpr RegionCode RegionCodeFuses = 3;
constexpr RegionCode RegionCodeId = 4;
// Selects Code, Data and Fuses, handled in that order.
constexpr RegionCode AllRegions = 0x7FFF;

// Algorithm codes of `AlgorithmNameTable`; -1 in a region: the chip's algorithm applies.
constexpr AlgorithmCode AlgorithmPIC16 = 0;
constexpr AlgorithmCode AlgorithmPIC16A = 1;
constexpr AlgorithmCode AlgorithmPIC16B = 2;
constexpr AlgorithmCode AlgorithmPIC18 = 3;
constexpr AlgorithmCode AlgorithmPIC16C = 4;

struct NameAndCode_t {
    std::string_view Name;
    int32_t Code;
};

// Fixed name tables; names match exactly, letter case included. A name not in a table
// (the empty name too) yields -1.
inline constexpr std::array<NameAndCode_t, 5> RegionNameTable{{{"", -1},
                                                               {"Code", RegionCodeCode},
                                                               {"Data", RegionCodeData},
                                                               {"Fuses", RegionCodeFuses},
                                                               {"Id", RegionCodeId}}};
inline constexpr std::array<NameAndCode_t, 6> AlgorithmNameTable{{{"", -1},
                                                                  {"PIC16", AlgorithmPIC16},
                                                                  {"PIC16A", AlgorithmPIC16A},
                                                                  {"PIC16B", AlgorithmPIC16B},
                                                                  {"PIC18", AlgorithmPIC18},
                                                                  {"PIC16C", AlgorithmPIC16C}}};

RegionCode RegionCodeOf(std::string_view name);       // -1 when not in the table
AlgorithmCode AlgorithmCodeOf(std::string_view name); // -1 when not in the table
std::string_view RegionNameOf(RegionCode code);       // "" when not in the table
std::string_view AlgorithmNameOf(AlgorithmCode code); // "" when not in the table

// One preserve entry: bits of one word that programming keeps.
struct AddressAndMask_t {
    int32_t Address = 0; // word address of the protected word
    int32_t Mask = 0;    // set bits are taken from the target, clear bits from the buffer
};

// A preserved word that holds the chip's factory calibration, and the form a valid one
// has: (word AND Mask) = Value. A form of Mask 0 takes every word (the band-gap bits of
// a configuration word read back even from a protected chip). An erase never writes
// back a calibration word that is not valid: a protected chip reads its program memory
// as 0, an erased one as blank, and both would be the calibration lost for good.
struct TCalibration_t {
    int32_t Address = 0; // the address of one of its region's preserve entries
    int32_t Mask = 0;
    int32_t Value = 0;

    bool Accepts(int32_t word) const { return (word & Mask) == Value; }
    // The form for people: "0x34nn" when every hexadecimal digit of the word (of the
    // `bits` it has) is either given or free, "any word" for Mask 0, else "0x3400 under
    // the mask 0x3F00".
    std::string FormText(int32_t bits) const;
};

// A word whose value on an erased chip differs from its region's Default (the
// configuration words of a PIC18 differ from byte to byte).
struct AddressAndValue_t {
    int32_t Address = 0;
    int32_t Value = 0;
};

// One memory region of a chip.
class TChipRegion {
  public:
    std::string Name;     // as written in the definition file
    RegionCode Code = -1; // RegionNameTable code of Name
    int32_t Base = 0;     // kept from the file; not used otherwise
    int32_t Start = 0;    // word address of the first word
    int32_t Size = 0;     // number of words
    int32_t Default = 0;  // value of an erased word
    AlgorithmCode Algorithm = -1;
    std::vector<AddressAndMask_t> Preserve;  // in file order
    std::vector<TCalibration_t> Calibration; // in file order; each at a Preserve address

    // What the silicon has, for chips whose words are narrower than the image's: the
    // bits every word of the region has (-1: all), and single words with fewer bits
    // (`Address` and `Mask` of each entry; a later entry for the same word is
    // ignored). Verifying compares only these bits.
    int32_t Width = -1;
    std::vector<AddressAndMask_t> Implemented;
    // What the missing bits of a word read back as on the chip: 0 or 1 (-1: not
    // said, 0). Only the simulator uses it.
    int32_t UnimplementedReads = -1;
    // Read protection: the region reads back as 0 while the word at `Address` has one
    // of the `Mask` bits clear (protection bits are on when programmed to 0).
    std::vector<AddressAndMask_t> Protect;
    // The erased value of single words, where it is not Default (`Erased` key).
    std::vector<AddressAndValue_t> Erased;

    TChipRegion() = default;
    // Stores the values and starts with no preserve entries.
    TChipRegion(std::string name, RegionCode code, int32_t base, int32_t start, int32_t size,
                int32_t defaultValue, AlgorithmCode algorithm);

    // Start <= address < Start + Size, computed without overflow.
    bool Contains(int64_t address) const;
    // The bits the word at the address has: its Implemented entry, else the Width
    // mask, else -1 (all bits).
    int32_t ImplementedBits(int64_t address) const;
    // The bits a verify compares at the address: the implemented bits without the
    // preserved ones, which keep the chip's own value whatever the image holds.
    int32_t VerifiedBits(int64_t address) const;
    // The word's value on an erased chip: its Erased entry, else Default.
    int32_t ErasedValue(int64_t address) const;
    // The word an erase writes back for a preserve entry whose word before the erase
    // was `saved`: the saved bits under the entry's mask, the erased value elsewhere,
    // so that nothing but the preserved bits survives the erase (programming can only
    // clear bits that the erase set).
    int32_t RestoredWord(const AddressAndMask_t& entry, int32_t saved) const {
        return (saved & entry.Mask) | (Default & ~entry.Mask);
    }
    // The calibration form of the word at the address; null when it holds none.
    const TCalibration_t* CalibrationAt(int64_t address) const;
};

// One option of a configuration field: its name and the value of the field's bits.
struct ConfigOption_t {
    std::string Name;
    int32_t Value = 0; // within the field's Mask
};

// A named setting of a configuration word, as the compilers' configuration directives
// name it (FOSC, WDTE, ...): the bits of `Mask` in the Fuses word at `Address`.
struct ConfigField_t {
    std::string Name;
    int32_t Address = 0;
    int32_t Mask = 0;
    std::vector<ConfigOption_t> Options; // in file order; names unique, letter case ignored
};

// One chip type.
class TChipDefinition {
  public:
    // The device ID word that names the chip; -1 for a chip that has none ("Id=none").
    int32_t Id = -1;
    // The bits of the target's ID word that name the chip (the others are its
    // silicon revision); -1: all bits.
    int32_t IdMask = -1;
    std::string Name;
    AlgorithmCode Algorithm = -1;
    std::vector<TChipRegion> Regions; // in the file's order
    // The named settings of the configuration words, in the file's order; names
    // unique without regard to letter case, bits of one word never shared.
    std::vector<ConfigField_t> Fields;

    // False for a chip without a device ID: it is chosen by name, never identified.
    bool HasId() const { return Id >= 0; }
    // Programmed with the PIC18 algorithm: the PIC18 family, whose ID is read in its
    // own program mode.
    bool IsPIC18() const { return Algorithm == AlgorithmPIC18; }
    // The field of that name, letter case ignored; nullptr when there is none.
    const ConfigField_t* FieldByName(std::string_view name) const;

    bool HasRegion(RegionCode code) const;
    // First region with this code; throws VESK_Exception
    // "Chip <Name> has no region with code 0x<2+ hex digits>".
    TChipRegion& RegionByCode(RegionCode code);
    const TChipRegion& RegionByCode(RegionCode code) const;
    // First region containing the word address; throws VESK_Exception
    // "Chip <Name> has no region with address 0x<6+ hex digits>".
    TChipRegion& RegionByAddress(int64_t address);
    const TChipRegion& RegionByAddress(int64_t address) const;
    // The ID word read from a target names this chip: equal on the bits of IdMask.
    // Never true for a chip without a device ID.
    bool MatchesId(int32_t id) const;

    // Fills the chip from a definition file; true or throws VESK_Exception
    // "Error reading file: <path>\n<cause>".
    bool LoadFromFile(const std::string& path);
    // The same for definition text already in memory (no "Error reading file" line).
    bool LoadFromText(const std::string& text);
};

} // namespace vesk
