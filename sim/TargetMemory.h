// The target's memory as the simulated programmer sees it: one word array per region
// of the chip definition, each word at its region's erased value to begin with.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vesk {
class TChipDefinition;
}

namespace vesk::sim {

// One region of target memory.
struct TMemoryRegion {
    std::string Name;
    int16_t Code = -1;   // region code of the chip definition (1 Code, 2 Data, 3 Fuses, 4 Id)
    int32_t Start = 0;   // word address of the first word
    int32_t Size = 0;    // number of words
    int32_t Default = 0; // erased value
    int32_t Mask = 0xFF; // word width: the smallest 2^k-1 covering Default, at least 0xFF
    std::vector<int32_t> Words;

    // Real silicon (used when the memory behaves like the real chip): the bits each
    // word has, what the missing ones read as, and the protection bits of the region.
    int32_t Width = -1;                                     // bits of every word; -1: Mask
    std::vector<std::pair<int32_t, int32_t>> Implemented{}; // address -> bits of single words
    bool UnimplementedReadOne = false;
    std::vector<std::pair<int32_t, int32_t>> Protect{}; // address -> bits, protected when one is 0

    bool Contains(int64_t address) const { return address >= Start && address < int64_t(Start) + Size; }
};

class TTargetMemory {
  public:
    // Address of the target's identification word.
    static constexpr int32_t DeviceIdAddress = 0x2006;

    TTargetMemory() = default;
    // With `realChip` the memory behaves as the chip file describes the silicon: a
    // word keeps only the bits it has and reads the others as the chip does, and a
    // region whose protection bits are programmed reads 0 until the next erase.
    // Without it every bit up to the region's width is stored.
    // With `fusesClearOnly` programming a Fuses word only clears bits (the new word is
    // the old one AND the value), as the configuration word's flash cell does.
    explicit TTargetMemory(const vesk::TChipDefinition& chip, bool realChip = false,
                           bool fusesClearOnly = false);
    explicit TTargetMemory(std::vector<TMemoryRegion> regions, int32_t deviceId = 0);

    static int32_t WidthMask(int32_t defaultValue);

    const std::vector<TMemoryRegion>& Regions() const { return FRegions; }
    // First region holding the address, as the chip model resolves overlaps; or nullptr.
    const TMemoryRegion* RegionAt(int64_t address) const;
    const TMemoryRegion* RegionByCode(int16_t code) const;

    // The word at the address: the device ID at 0x2006 (or the override when >= 0),
    // 0 outside every region.
    int32_t Word(int64_t address) const;
    // Stores the value as given; false outside every region.
    bool SetWord(int64_t address, int32_t value);
    // Programs a word as the chip would: masked to its region's width (and in Fuses,
    // with `fusesClearOnly`, only clearing bits). False outside every region.
    bool Program(int64_t address, int32_t value);
    void EraseAll();
    bool RealChip() const { return FRealChip; }
    // The chip is a PIC18 (its algorithm), whose programming differs from a mid-range part's.
    bool Pic18() const { return FPic18; }
    // The bits the word at the address has in real-chip mode (the region's width
    // without the single-word masks when none is given).
    static int32_t ImplementedBits(const TMemoryRegion& region, int64_t address);

    int32_t DeviceId() const { return FDeviceId; }
    void SetDeviceId(int32_t id) { FDeviceId = id; }
    void SetDeviceIdOverride(int32_t id) { FDeviceIdOverride = id; }

    // "<address> <word>" lines in hexadecimal, one per word, region by region.
    std::string DumpText() const;
    // Intel HEX: every word as two bytes, low byte first, at byte address 2 * word address.
    std::string DumpIntelHex() const;
    // Intel HEX text into memory; words outside every region are skipped and counted.
    // Throws vesk::Exception for a malformed file.
    int LoadIntelHexFile(const std::string& path);

  private:
    TMemoryRegion* MutableRegionAt(int64_t address);
    // The word as stored, without protection: 0 outside every region.
    int32_t Stored(int64_t address) const;
    bool Protected(const TMemoryRegion& region) const;

    std::vector<TMemoryRegion> FRegions;
    int32_t FDeviceId = 0;
    int32_t FDeviceIdOverride = -1;
    bool FRealChip = false;
    bool FFusesClearOnly = false;
    bool FPic18 = false;
};

} // namespace vesk::sim
