#include "TargetMemory.h"

#include <utility>

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"
#include "common/Text.h"
#include "hexfile/IntelHexFile.h"
#include "hexfile/IntelHexWriter.h"

namespace vesk::sim {

namespace {

// A chip without a device ID has nothing there: the address reads as an erased word of
// its configuration space.
int32_t DeviceIdOf(const vesk::TChipDefinition& chip) {
    if (chip.HasId()) return chip.Id;
    return chip.HasRegion(vesk::RegionCodeFuses) ? chip.RegionByCode(vesk::RegionCodeFuses).Default : 0x3FFF;
}

} // namespace

TTargetMemory::TTargetMemory(const vesk::TChipDefinition& chip, bool realChip, bool fusesClearOnly)
    : FDeviceId(DeviceIdOf(chip)), FRealChip(realChip), FFusesClearOnly(fusesClearOnly),
      FPic18(chip.Algorithm == vesk::AlgorithmPIC18) {
    for (const auto& r : chip.Regions) {
        TMemoryRegion m;
        m.Name = r.Name;
        m.Code = r.Code;
        m.Start = r.Start;
        m.Size = r.Size;
        m.Default = r.Default;
        m.Width = r.Width;
        for (const auto& entry : r.Implemented)
            m.Implemented.emplace_back(entry.Address, entry.Mask);
        m.UnimplementedReadOne = r.UnimplementedReads == 1;
        for (const auto& entry : r.Protect)
            m.Protect.emplace_back(entry.Address, entry.Mask);
        FRegions.push_back(std::move(m));
    }
    EraseAll();
}

int32_t TTargetMemory::ImplementedBits(const TMemoryRegion& region, int64_t address) {
    for (const auto& [at, bits] : region.Implemented)
        if (at == address) return bits & region.Mask;
    return region.Mask;
}

int32_t TTargetMemory::Stored(int64_t address) const {
    const TMemoryRegion* r = RegionAt(address);
    return r ? r->Words[size_t(address - r->Start)] : 0;
}

bool TTargetMemory::Protected(const TMemoryRegion& region) const {
    for (const auto& [at, bits] : region.Protect)
        if ((Stored(at) & bits) != bits) return true;
    return false;
}

TTargetMemory::TTargetMemory(std::vector<TMemoryRegion> regions, int32_t deviceId)
    : FRegions(std::move(regions)), FDeviceId(deviceId) {
    EraseAll();
}

int32_t TTargetMemory::WidthMask(int32_t defaultValue) {
    uint32_t mask = 0xFF;
    while (mask < uint32_t(defaultValue) && mask != 0xFFFFFFFFu)
        mask = (mask << 1) | 1;
    return int32_t(mask);
}

const TMemoryRegion* TTargetMemory::RegionAt(int64_t address) const {
    for (const auto& r : FRegions)
        if (r.Contains(address)) return &r;
    return nullptr;
}

TMemoryRegion* TTargetMemory::MutableRegionAt(int64_t address) {
    return const_cast<TMemoryRegion*>(std::as_const(*this).RegionAt(address));
}

const TMemoryRegion* TTargetMemory::RegionByCode(int16_t code) const {
    for (const auto& r : FRegions)
        if (r.Code == code) return &r;
    return nullptr;
}

int32_t TTargetMemory::Word(int64_t address) const {
    // The identification word is read-only silicon, whatever region may cover it.
    if (address == DeviceIdAddress) return FDeviceIdOverride >= 0 ? FDeviceIdOverride : FDeviceId;
    const TMemoryRegion* r = RegionAt(address);
    if (!r) return 0;
    const int32_t word = r->Words[size_t(address - r->Start)];
    if (!FRealChip) return word;
    // A protected region reads 0 until the erase clears its protection bits.
    if (Protected(*r)) return 0;
    const int32_t bits = ImplementedBits(*r, address);
    return (word & bits) | (r->UnimplementedReadOne ? r->Mask & ~bits : 0);
}

bool TTargetMemory::SetWord(int64_t address, int32_t value) {
    TMemoryRegion* r = MutableRegionAt(address);
    if (!r) return false;
    r->Words[size_t(address - r->Start)] = value;
    return true;
}

bool TTargetMemory::Program(int64_t address, int32_t value) {
    TMemoryRegion* r = MutableRegionAt(address);
    if (!r) return false;
    int32_t& word = r->Words[size_t(address - r->Start)];
    const int32_t programmed = value & (FRealChip ? ImplementedBits(*r, address) : r->Mask);
    // A flash cell that programming can only clear: the bits an erase set stay set
    // only where the value has them.
    word = FFusesClearOnly && r->Code == 3 ? word & programmed : programmed;
    return true;
}

void TTargetMemory::EraseAll() {
    for (auto& r : FRegions) {
        r.Mask = r.Width >= 1 && r.Width < 32 && FRealChip ? int32_t((uint32_t(1) << r.Width) - 1)
                                                           : WidthMask(r.Default);
        r.Words.assign(size_t(r.Size > 0 ? r.Size : 0), r.Default);
    }
}

std::string TTargetMemory::DumpText() const {
    std::string out;
    for (const auto& r : FRegions) {
        out += "; " + r.Name + " " + Hex(r.Start, 6) + ".." + Hex(r.Start + r.Size - 1, 6) + "\n";
        for (int32_t i = 0; i < r.Size; ++i)
            out += Hex(r.Start + i, 6) + " " + Hex(r.Words[size_t(i)], 4) + "\n";
    }
    return out;
}

std::string TTargetMemory::DumpIntelHex() const {
    TIntelHexWriter out;
    for (const auto& r : FRegions) {
        int32_t i = 0;
        while (i < r.Size) {
            const uint32_t byteAddress = uint32_t(r.Start + i) * 2;
            const uint32_t upper = byteAddress >> 16;
            // Up to 8 words per record, never across a 64 KiB boundary.
            std::vector<uint8_t> data;
            while (i < r.Size && data.size() < 16) {
                uint32_t a = uint32_t(r.Start + i) * 2;
                if ((a >> 16) != upper) break;
                int32_t w = r.Words[size_t(i)];
                data.push_back(uint8_t(w));
                data.push_back(uint8_t(w >> 8));
                ++i;
            }
            out.Data(byteAddress, data);
        }
    }
    return out.Finish();
}

int TTargetMemory::LoadIntelHexFile(const std::string& path) {
    TIntelHexFile file;
    file.Load(path);
    int skipped = 0;
    for (TIntelHexFileIterator it(file); it.IsValid(); it.Next()) {
        // A half-word record (one configuration byte) changes only its half.
        const int64_t address = it.WordAddress();
        const int32_t mask = it.ByteMask();
        if (!Program(address, (Stored(address) & ~mask) | (it.Value() & mask))) ++skipped;
    }
    return skipped;
}

} // namespace vesk::sim
