// Program mode, addressing and word access.
#include "driver/DeviceVESK1.h"
#include "driver/VbusFormat.h"

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"
#include "common/Text.h"

namespace vesk {

namespace {

// Program-mode letters of the region codes 0 (erase), 1 (Code), 2 (Data), 3 (Fuses).
constexpr char ProgramModeLetters[] = {'e', 'c', 'd', 'f'};

} // namespace

void TDeviceVESK1::ProgramModeEnter(int16_t code) {
    const TChipRegion* region =
        (FTarget != nullptr && FTarget->HasRegion(code)) ? &FTarget->RegionByCode(code) : nullptr;
    const std::string context = "Program mode enter failed: Region 0x" + Hex(code, 2) + " (" +
                                (region ? region->Name : std::string()) + ")";
    WithContext(context, [&] {
        // Only the codes 0 to 3 have a program mode on the programmer; nothing is
        // sent for any other (such as the Id region, 4), so nothing changes.
        if (code < 0 || code > 3) throw Exception("Region has no program mode");
        FRegion = code;
        FAddress.Invalidate();
        int32_t algorithm = FAlgorithm;
        if (region != nullptr && region->Algorithm >= 0) algorithm = region->Algorithm;
        SendCommand(Hex(FProgramDelay, 2) + Hex(algorithm, 1) + ProgramModeLetters[code] + "x");
        FAddress.SetRegion(code);
    });
}

void TDeviceVESK1::AddressIncrement() {
    WithContext("Address increment failed: 0x" + Hex(FAddress.Address, 6), [&] { SendCommand("i"); });
}

void TDeviceVESK1::AddressJump(int32_t address) {
    WithContext("Address jump failed: 0x" + Hex(address, 6), [&] {
        // The jump command is known to Code and Data program mode, and everywhere
        // with the PIC18 algorithm; elsewhere the pointer is moved by increments.
        if (FAlgorithm == 3 || FRegion == 1 || FRegion == 2) {
            SendCommand(Hex(address, 6) + "m");
            return;
        }
        const int64_t distance = int64_t(address) - int64_t(FAddress.Address);
        if (distance < 0) throw Exception("Can not decrement address");
        for (int64_t i = 0; i < distance; ++i)
            SendCommand("i");
    });
}

int TDeviceVESK1::DataDigits() const {
    return (FRegion >= 1 && FRegion <= 3) ? 4 : 0;
}

int32_t TDeviceVESK1::ReadData() {
    return WithContext("Read data failed", [&] {
        const int digits = DataDigits();
        SendCommand("r");
        const std::string reply = FetchReply(digits);
        return vbus::ParseHex(reply); // -1 when not hexadecimal, or nothing fetched
    });
}

int32_t TDeviceVESK1::MergePreserved(int32_t word) {
    if (FTarget == nullptr || !FTarget->HasRegion(static_cast<int16_t>(FRegion))) return word;
    const TChipRegion& region = FTarget->RegionByCode(static_cast<int16_t>(FRegion));
    for (const AddressAndMask_t& entry : region.Preserve) {
        if (entry.Address != FAddress.Address) continue;
        const int32_t current = ReadData();
        // A word that cannot be read is never guessed: writing would destroy it.
        if (current == -1) throw Exception("Data read error");
        return (current & entry.Mask) | (word & ~entry.Mask);
    }
    return word;
}

void TDeviceVESK1::SendWord(const std::string& context, char letter, int32_t word, bool merge) {
    WithContext(context, [&] {
        const int32_t value = merge ? MergePreserved(word) : word;
        SendCommand(Hex(value, DataDigits()) + letter);
    });
}

void TDeviceVESK1::WriteData(int32_t word) {
    SendWord("Write data failed: [0x" + Hex(FAddress.Address, 6) + "] = 0x" + Hex(word, 6), 'w', word, true);
}

void TDeviceVESK1::WriteDataLazy(int32_t word) {
    SendWord("Write data lazy failed: [0x" + Hex(FAddress.Address, 6) + "] = 0x" + Hex(word, 6), 'l', word,
             true);
}

int32_t TDeviceVESK1::MoveTo(int32_t address) {
    FAddress.MoveTo(address);
    return FAddress.Address;
}

} // namespace vesk
