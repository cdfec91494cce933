// The driver's address cursor: a mirror of the programmer's address pointer.
//
// The programmer's pointer moves only through VBUS commands: entering program mode
// puts it at the region's entry point, "i" advances it by one and "m" sets it. The
// cursor remembers where it stands so that the driver can reach any address with as
// few commands as possible.
//
// The cursor never lies: `Address` is either `None` or the address the programmer
// really stands at. Every move goes through `Reach`, which marks the cursor `None`
// before sending anything and sets it to the new address only when every command
// of the move was answered correctly.
#pragma once

#include <cstdint>

namespace vesk {

class TDeviceVESK1Words;

class TDeviceVESK1Address {
  public:
    // The position is unknown: it is re-established by entering program mode.
    static constexpr int32_t None = 0x7FFFFFFF;

    explicit TDeviceVESK1Address(TDeviceVESK1Words* owner) : Owner(owner) {}
    TDeviceVESK1Address(const TDeviceVESK1Address&) = delete;
    TDeviceVESK1Address& operator=(const TDeviceVESK1Address&) = delete;

    int32_t Address = None;
    // The layer the cursor belongs to: its target and program mode, and the commands.
    TDeviceVESK1Words* Owner;

    void Invalidate() { Address = None; }
    bool IsNone() const { return Address == None; }

    // The entry point of program mode for `code`, which becomes `Address`: none for 0
    // (erase), 0x2000 for 3 (Fuses), the `Start` of the target's region otherwise.
    // Raises "No target selected" without a target, or the chip model's error when
    // the target lacks the region. Returns the new `Address`.
    int32_t SetRegion(int16_t code);

    // Brings the programmer to `address`, in the program mode of the target region
    // that holds it. False when no target is selected (nothing is sent); true when
    // the programmer stands there.
    bool MoveTo(int32_t address);

    // Brings the programmer to `address` in the program mode of region `code`, the
    // way `MoveTo` does: nothing when it already stands there, program mode when the
    // region changes, one "i" to the next address, program mode again to go
    // backwards, otherwise the jump (or increments, where the jump is not used).
    void Reach(int16_t code, int32_t address);
};

} // namespace vesk
