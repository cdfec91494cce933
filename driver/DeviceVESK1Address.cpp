#include "driver/DeviceVESK1Address.h"
#include "driver/DeviceVESK1Words.h"

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"

namespace vesk {

int32_t TDeviceVESK1Address::SetRegion(int16_t code) {
    if (code == 0) {
        Address = None; // the erase leaves no address
    } else if (code == 3) {
        Address = 0x2000; // Fuses program mode starts at the configuration space
    } else {
        if (Owner->FTarget == nullptr) throw VESK_Exception("No target selected", TFailureKind::NoTarget);
        Address = Owner->FTarget->RegionByCode(code).Start;
    }
    return Address;
}

bool TDeviceVESK1Address::MoveTo(int32_t address) {
    if (Owner->FTarget == nullptr) return false;
    const TChipRegion& region = Owner->FTarget->RegionByAddress(address);
    Reach(region.Code, address);
    return true;
}

void TDeviceVESK1Address::Reach(int16_t code, int32_t address) {
    TDeviceVESK1Words& words = *Owner;
    if (address == Address && code == words.FRegion) return;
    try {
        if (code != words.FRegion) words.ProgramModeEnter(code); // the cursor goes to the entry point
        if (Address != None && address == Address + 1) {
            words.AddressIncrement();
        } else {
            // The pointer only moves forwards: going back means starting again from
            // the region's entry point.
            if (Address == None || address < Address) words.ProgramModeEnter(code);
            words.AddressJump(address);
        }
    } catch (...) {
        // Where the programmer stands after a failed command is not known.
        Invalidate();
        throw;
    }
    Address = address;
}

} // namespace vesk
