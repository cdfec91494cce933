// The region operations: load the buffer, erase, write, read and verify.
#include "driver/DeviceVESK1.h"
#include "driver/DeviceVESK1Failures.h"
#include "driver/VbusFormat.h"

#include "VESK_Exception.h"
#include "chipdef/ChipSession.h"
#include "common/Text.h"
#include "hexfile/IntelHexFile.h"

namespace vesk {

namespace {

bool Selected(int16_t regions, int index) {
    return regions == AllRegions || regions == index + 1;
}

std::string RegionText(const TChipRegion& region) {
    return "0x" + Hex(region.Code, 2) + " (" + region.Name + ")";
}

// A blank word of the region as the programmer reports it: `Default` cut to the
// reply's hex digits.
int32_t ErasedWord(const TChipRegion& region, int digits) {
    const int64_t mask = (int64_t(1) << (4 * digits)) - 1;
    return static_cast<int32_t>(region.Default & mask);
}

// Announces the selected regions' total word count to `onProgress` (as a negative
// number), then hands each selected region to `each`: Code, Data, Fuses in turn.
template <typename Count, typename Each>
void ForSelectedRegions(const std::array<const TChipRegion*, 3>& all, int16_t regions,
                        const TProgressEvent& onProgress, Count count, Each each) {
    int total = 0;
    for (int i = 0; i < 3; ++i)
        if (Selected(regions, i)) total += count(*all[i]);
    if (onProgress) onProgress(-total);
    for (int i = 0; i < 3; ++i)
        if (Selected(regions, i)) each(*all[i]);
}

} // namespace

void TDeviceVESK1::RequireTarget() const {
    if (Target() == nullptr) throw VESK_Exception("No target selected", TFailureKind::NoTarget);
}

std::array<const TChipRegion*, 3> TDeviceVESK1::StandardRegions() const {
    // All three are looked up whichever are processed: a chip that lacks one of
    // them fails here.
    return {&Target()->RegionByCode(1), &Target()->RegionByCode(2), &Target()->RegionByCode(3)};
}

void TDeviceVESK1::CheckAbort() {
    if (FAbort.exchange(false)) throw Exception("Aborted by user", TFailureKind::Aborted);
}

bool TDeviceVESK1::LoadBuffer(const TIntelHexFile& image) {
    WithContext(failed::LoadBuffer, [&] {
        if (Target() == nullptr) throw Exception("Target not specified", TFailureKind::NoTarget);
        if (!FSession->LoadImage(image)) throw Exception("Unknown error");
    });
    return true;
}

void TDeviceVESK1::EraseChip() {
    WithContext(failed::Erase, [&] {
        RequireTarget();
        SavePreserved();
        CheckCalibration();
        // Once the erase command goes out the chip may lack its preserved words: each
        // stays pending until it is written back, so that a failure names it and the
        // next erase of the chip puts it back instead of keeping the blank word.
        for (const TChipRegion& region : Target()->Regions)
            for (const AddressAndMask_t& entry : region.Preserve)
                FPendingPreserved[{Target()->Name, entry.Address}] =
                    region.RestoredWord(entry, FSession->Saved.at(entry.Address));
        try {
            FWords.ProgramModeEnter(0); // the programmer erases the whole chip
            RestorePreserved();
        } catch (const Exception& e) {
            const std::string pending = PendingPreservedText();
            if (pending.empty()) throw;
            throw VESK_Exception(pending + "\n" + e.Message(), e.Kind());
        }
    });
}

void TDeviceVESK1::SavePreserved() {
    FSession->Saved.clear();
    for (const TChipRegion& region : Target()->Regions) {
        if (region.Preserve.empty()) continue;
        FWords.ProgramModeEnter(region.Code);
        for (const AddressAndMask_t& entry : region.Preserve) {
            FWords.Reach(region.Code, entry.Address);
            const int32_t word = FWords.ReadData();
            // Erasing now would lose the word for good.
            if (word == -1) throw Exception("Data read error", TFailureKind::UnreadableWord);
            int32_t& saved = FSession->Saved[entry.Address];
            saved = word;
            const auto pending = FPendingPreserved.find({Target()->Name, entry.Address});
            if (pending == FPendingPreserved.end()) {
                ReportCalibration(region, entry.Address, word);
                continue;
            }
            if (word == ErasedWord(region, FWords.DataDigits())) {
                // A failed erase took the word and the chip still lacks it: keeping
                // the blank would lose it for good.
                saved = pending->second;
            } else {
                // Another chip, or the word was put back some other way: the chip's
                // own word is the one to keep.
                FPendingPreserved.erase(pending);
                ReportCalibration(region, entry.Address, word);
            }
        }
    }
}

void TDeviceVESK1::RestorePreserved() {
    for (const TChipRegion& region : Target()->Regions) {
        if (region.Preserve.empty()) continue;
        FWords.ProgramModeEnter(region.Code);
        for (const AddressAndMask_t& entry : region.Preserve) {
            FWords.Reach(region.Code, entry.Address);
            // Only the preserved bits are the chip's to keep; the others stay erased, so
            // that the image can program them (programming only clears bits). No merge
            // with the chip's word either: that would keep every erased bit.
            FWords.WriteSavedWord(region.RestoredWord(entry, FSession->Saved.at(entry.Address)));
            FPendingPreserved.erase({Target()->Name, entry.Address});
        }
    }
}

std::map<int32_t, int32_t> TDeviceVESK1::PendingPreserved(const std::string& chip) const {
    std::map<int32_t, int32_t> words;
    for (const auto& [key, word] : FPendingPreserved)
        if (key.first == chip) words[key.second] = word;
    return words;
}

std::string TDeviceVESK1::PendingPreservedText() const {
    std::string text;
    if (Target() == nullptr) return text;
    for (const TChipRegion& region : Target()->Regions) {
        for (const AddressAndMask_t& entry : region.Preserve) {
            const auto pending = FPendingPreserved.find({Target()->Name, entry.Address});
            if (pending == FPendingPreserved.end()) continue;
            text += text.empty() ? failed::NotRestored : ", ";
            text += "[0x" + Hex(entry.Address, 6) + "] = 0x" + Hex(pending->second, 6);
        }
    }
    return text;
}

void TDeviceVESK1::WriteRegions(int16_t regions) {
    WithContext(failed::Write, [&] {
        RequireTarget();
        ForSelectedRegions(
            StandardRegions(), regions, OnProgress,
            [&](const TChipRegion& region) { return FSession->CountNonDefault(region); },
            [&](const TChipRegion& region) { WriteRegion(region); });
    });
}

std::vector<TDeviceVESK1::WriteStep_t> TDeviceVESK1::WriteSteps(int16_t regions, bool verify) const {
    if (verify && regions == AllRegions && FSession != nullptr && FSession->Protects())
        return {{false, RegionCodeCode}, {false, RegionCodeData},  {true, RegionCodeCode},
                {true, RegionCodeData},  {false, RegionCodeFuses}, {true, RegionCodeFuses}};
    if (verify) return {{false, regions}, {true, regions}};
    return {{false, regions}};
}

void TDeviceVESK1::WriteAndVerifyRegions(int16_t regions, bool verify) {
    for (const WriteStep_t& step : WriteSteps(regions, verify)) {
        if (step.Verify)
            VerifyRegions(step.Regions);
        else
            WriteRegions(step.Regions);
    }
}

void TDeviceVESK1::WriteRegion(const TChipRegion& region) {
    WithContext(failed::RegionWrite + RegionText(region), [&] {
        const std::vector<int32_t>& words = FSession->Words(region);
        for (int32_t i = 0; i < region.Size; ++i) {
            const int32_t word = words[size_t(i)];
            // Blank words are never sent: after an erase the chip holds them already.
            if (word != region.Default) {
                const int32_t address = FWords.MoveTo(region.Start + i);
                if (OnProgress) OnProgress(address);
                FWords.WriteDataLazy(word);
            }
            CheckAbort();
        }
    });
}

void TDeviceVESK1::ReadRegions(int16_t regions) {
    WithContext(failed::Read, [&] {
        RequireTarget();
        ForSelectedRegions(
            StandardRegions(), regions, OnProgress, [](const TChipRegion& region) { return region.Size; },
            [&](const TChipRegion& region) { ReadRegion(region); });
    });
}

void TDeviceVESK1::ReadRegion(const TChipRegion& region) {
    WithContext(failed::RegionRead + RegionText(region), [&] {
        FSession->Reset(region);
        std::vector<int32_t>& words = FSession->Words(region);
        for (int32_t i = 0; i < region.Size; ++i) {
            const int32_t address = FWords.MoveTo(region.Start + i);
            if (OnProgress) OnProgress(address);
            const int32_t word = FWords.ReadData();
            if (word == -1) throw Exception("Data read error", TFailureKind::UnreadableWord);
            if (word != region.Default) words[size_t(i)] = word;
            ReportCalibration(region, address, word);
            CheckAbort();
        }
    });
}

void TDeviceVESK1::VerifyRegions(int16_t regions) {
    RequireTarget();
    ForSelectedRegions(
        StandardRegions(), regions, OnProgress,
        [&](const TChipRegion& region) { return FSession->CountNonDefault(region); },
        [&](const TChipRegion& region) { VerifyRegion(region); });
}

void TDeviceVESK1::VerifyRegion(const TChipRegion& region) {
    WithContext(failed::RegionVerify + RegionText(region), [&] {
        const std::vector<int32_t>& words = FSession->Words(region);
        for (int32_t i = 0; i < region.Size; ++i) {
            const int32_t word = words[size_t(i)];
            if (word != region.Default) {
                const int32_t address = FWords.MoveTo(region.Start + i);
                if (OnProgress) OnProgress(address);
                const int32_t read = FWords.ReadData();
                if (read == -1) throw Exception("Data read error", TFailureKind::UnreadableWord);
                // Only the bits the chip has and does not keep for itself count.
                if (((read ^ word) & region.VerifiedBits(address)) != 0)
                    throw Exception("Data verify error: [0x" + Hex(address, 6) + "] = 0x" + Hex(read, 6) +
                                        ", buffer[] = 0x" + Hex(word, 6),
                                    TFailureKind::VerifyDifference);
            }
            CheckAbort();
        }
    });
}

} // namespace vesk
