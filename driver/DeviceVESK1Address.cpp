#include "driver/DeviceVESK1Address.h"
#include "driver/DeviceVESK1.h"

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"

namespace vesk {

int32_t TDeviceVESK1Address::SetRegion(int16_t code) {
    if (code == 0) {
        Address = None; // the erase leaves no address
    } else if (code == 3) {
        Address = 0x2000; // Fuses program mode starts at the configuration space
    } else {
        if (Device->FTarget == nullptr) throw VESK_Exception("No target selected");
        Address = Device->FTarget->RegionByCode(code).Start;
    }
    return Address;
}

bool TDeviceVESK1Address::MoveTo(int32_t address) {
    if (Device->FTarget == nullptr) return false;
    const TChipRegion& region = Device->FTarget->RegionByAddress(address);
    Reach(region.Code, address);
    return true;
}

void TDeviceVESK1Address::Reach(int16_t code, int32_t address) {
    TDeviceVESK1& device = *Device;
    if (address == Address && code == device.FRegion) return;
    try {
        if (code != device.FRegion) device.ProgramModeEnter(code); // the cursor goes to the entry point
        if (Address != None && address == Address + 1) {
            device.AddressIncrement();
        } else {
            // The pointer only moves forwards: going back means starting again from
            // the region's entry point.
            if (Address == None || address < Address) device.ProgramModeEnter(code);
            device.AddressJump(address);
        }
    } catch (...) {
        // Where the programmer stands after a failed command is not known.
        Invalidate();
        throw;
    }
    Address = address;
}

} // namespace vesk
