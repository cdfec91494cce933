#include "driver/DeviceVESK1Words.h"
#include "driver/VbusFormat.h"
#include "driver/VbusLink.h"

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"
#include "common/Text.h"

namespace vesk {

namespace {

// Program-mode letters of the region codes 0 (erase), 1 (Code), 2 (Data), 3 (Fuses).
constexpr char ProgramModeLetters[] = {'e', 'c', 'd', 'f'};

} // namespace

TDeviceVESK1Words::TDeviceVESK1Words(TVbusLink& link) : FLink(link) {}

void TDeviceVESK1Words::SetTarget(const TChipDefinition* chip) {
    FTarget = chip;
    FAlgorithm = chip != nullptr ? chip->Algorithm : 0;
    ForgetPosition();
}

void TDeviceVESK1Words::ForgetPosition() {
    FRegion = -1;
    FAddress.Invalidate();
}

void TDeviceVESK1Words::ProgramModeEnter(int16_t code) {
    const TChipRegion* region =
        (FTarget != nullptr && FTarget->HasRegion(code)) ? &FTarget->RegionByCode(code) : nullptr;
    const std::string context = "Program mode enter failed: Region 0x" + Hex(code, 2) + " (" +
                                (region ? region->Name : std::string()) + ")";
    WithContext(context, [&] {
        // Only the codes 0 to 3 have a program mode on the programmer; nothing is
        // sent for any other (such as the Id region, 4), so nothing changes.
        if (code < 0 || code > 3) throw Exception("Region has no program mode", TFailureKind::BadArgument);
        FRegion = code;
        FAddress.Invalidate();
        int32_t algorithm = FAlgorithm;
        if (region != nullptr && region->Algorithm >= 0) algorithm = region->Algorithm;
        FLink.SendCommand(Hex(FProgramDelay, 2) + Hex(algorithm, 1) + ProgramModeLetters[code] + "x");
        FAddress.SetRegion(code);
    });
}

void TDeviceVESK1Words::AddressIncrement() {
    WithContext("Address increment failed: 0x" + Hex(FAddress.Address, 6), [&] { FLink.SendCommand("i"); });
}

void TDeviceVESK1Words::AddressJump(int32_t address) {
    WithContext("Address jump failed: 0x" + Hex(address, 6), [&] {
        // The jump command is known to Code and Data program mode, and everywhere
        // with the PIC18 algorithm; elsewhere the pointer is moved by increments.
        if (FAlgorithm == 3 || FRegion == 1 || FRegion == 2) {
            FLink.SendCommand(Hex(address, 6) + "m");
            return;
        }
        const int64_t distance = int64_t(address) - int64_t(FAddress.Address);
        if (distance < 0) throw Exception("Can not decrement address", TFailureKind::BadArgument);
        for (int64_t i = 0; i < distance; ++i)
            FLink.SendCommand("i");
    });
}

int TDeviceVESK1Words::DataDigits() const {
    return (FRegion >= 1 && FRegion <= 3) ? 4 : 0;
}

int32_t TDeviceVESK1Words::ReadData() {
    return WithContext("Read data failed", [&] {
        const int digits = DataDigits();
        FLink.SendCommand("r");
        const std::string reply = FLink.FetchReply(digits);
        return vbus::ParseHex(reply); // -1 when not hexadecimal, or nothing fetched
    });
}

int32_t TDeviceVESK1Words::MergePreserved(int32_t word) {
    if (FTarget == nullptr || !FTarget->HasRegion(static_cast<int16_t>(FRegion))) return word;
    const TChipRegion& region = FTarget->RegionByCode(static_cast<int16_t>(FRegion));
    for (const AddressAndMask_t& entry : region.Preserve) {
        if (entry.Address != FAddress.Address) continue;
        const int32_t current = ReadData();
        // A word that cannot be read is never guessed: writing would destroy it.
        if (current == -1) throw Exception("Data read error", TFailureKind::UnreadableWord);
        return (current & entry.Mask) | (word & ~entry.Mask);
    }
    return word;
}

void TDeviceVESK1Words::SendWord(const std::string& context, char letter, int32_t word, bool merge) {
    WithContext(context, [&] {
        const int32_t value = merge ? MergePreserved(word) : word;
        FLink.SendCommand(Hex(value, DataDigits()) + letter);
    });
}

void TDeviceVESK1Words::WriteData(int32_t word) {
    SendWord("Write data failed: [0x" + Hex(FAddress.Address, 6) + "] = 0x" + Hex(word, 6), 'w', word, true);
}

void TDeviceVESK1Words::WriteSavedWord(int32_t word) {
    const std::string context = "Write data failed: [0x" + Hex(FAddress.Address, 6) + "] = 0x" + Hex(word, 6);
    if (word < 0) throw VESK_Exception(context + "\nNo saved word");
    SendWord(context, 'w', word, false);
}

void TDeviceVESK1Words::WriteDataLazy(int32_t word) {
    SendWord("Write data lazy failed: [0x" + Hex(FAddress.Address, 6) + "] = 0x" + Hex(word, 6), 'l', word,
             true);
}

int32_t TDeviceVESK1Words::MoveTo(int32_t address) {
    FAddress.MoveTo(address);
    return FAddress.Address;
}

} // namespace vesk
