// Program mode, addressing and word access: the layer of the programmer driver between
// the VBUS link and the region operations. It knows the selected target chip (its
// regions and algorithm), the program mode in force and, through the address cursor
// `TDeviceVESK1Address`, where the programmer's address pointer stands; it reads and
// writes words there, honouring the bits the target's preserve lists keep.
#pragma once

#include "driver/DeviceVESK1Address.h"

#include <cstdint>
#include <string>

namespace vesk {

class TChipDefinition;
class TVbusLink;

class TDeviceVESK1Words {
  public:
    explicit TDeviceVESK1Words(TVbusLink& link);
    TDeviceVESK1Words(const TDeviceVESK1Words&) = delete;
    TDeviceVESK1Words& operator=(const TDeviceVESK1Words&) = delete;

    // The chip addressed (owned elsewhere), or null; its algorithm is in force from
    // then on (0 for none) and the position is forgotten.
    const TChipDefinition* Target() const { return FTarget; }
    void SetTarget(const TChipDefinition* chip);
    int32_t Algorithm() const { return FAlgorithm; }
    // Another algorithm than the chosen chip's, until the next `SetTarget` (the second ID
    // read of an unnamed target).
    void SetAlgorithm(int32_t algorithm) { FAlgorithm = algorithm; }
    // The delay sent with every program-mode command, as 2 hex digits.
    int32_t ProgramDelay() const { return FProgramDelay; }
    void SetProgramDelay(int32_t value) { FProgramDelay = value; }

    // The program mode in force (region code), -1 for none.
    int Region() const { return FRegion; }
    const TDeviceVESK1Address& Cursor() const { return FAddress; }
    // The programmer left program mode (or may have): program mode must be entered
    // again before the next access, and the address is unknown.
    void ForgetPosition();

    // "Program mode enter failed: Region 0x<code> (<name>)"; the erase for 0.
    void ProgramModeEnter(int16_t code);
    void AddressIncrement();           // "Address increment failed: 0x<cursor>"
    void AddressJump(int32_t address); // "Address jump failed: 0x<address>"
    int DataDigits() const;            // 4 in Code, Data and Fuses program mode, else 0
    int32_t ReadData();                // "Read data failed"; -1 when the reply is not hex
    void WriteData(int32_t word);      // "Write data failed: [0x<cursor>] = 0x<word>"
    void WriteDataLazy(int32_t word);  // "Write data lazy failed: ..."
    // `word` with the bits the target's preserve entry at the cursor keeps taken from
    // the chip (read first); `word` unchanged where no entry is.
    int32_t MergePreserved(int32_t word);
    // A word saved from the target written back unchanged with "w", under the line of
    // `WriteData`; "No saved word" when `word` is negative (nothing was saved).
    void WriteSavedWord(int32_t word);
    // Brings the programmer to `address` in the program mode of the target region that
    // holds it; returns the cursor's address afterwards (None without a target, when
    // nothing is sent).
    int32_t MoveTo(int32_t address);
    // The same within region `code` (see TDeviceVESK1Address::Reach).
    void Reach(int16_t code, int32_t address) { FAddress.Reach(code, address); }

  private:
    friend class TDeviceVESK1Address;

    // "w" or "l" with the word in hex, under `context`; `merge` takes preserved bits
    // from the chip first.
    void SendWord(const std::string& context, char letter, int32_t word, bool merge);

    TVbusLink& FLink;
    const TChipDefinition* FTarget = nullptr;
    int32_t FAlgorithm = 0;
    int32_t FProgramDelay = 35;
    int FRegion = -1;
    TDeviceVESK1Address FAddress{this};
};

} // namespace vesk
