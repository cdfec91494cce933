// The driver as a whole object, and the connection-level operations.
#include "driver/DeviceVESK1.h"
#include "driver/DeviceVESK1Failures.h"
#include "driver/VbusFormat.h"

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipDefinitions.h"
#include "common/Text.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vesk {

TDeviceVESK1::TDeviceVESK1() {
    // 8 data bits, no parity, one stop bit, no flow control, DTR and RTS inactive;
    // the port name and speed are applied again by every Open.
    ComPort1.SetConnected(false);
    ComPort1.BeginUpdate();
    ComPort1.SetPort(FComPort);
    ComPort1.SetBaudRate(brCustom);
    ComPort1.SetCustomBaudRate(FComBaudRate);
    ComPort1.SetDataBits(dbEight);
    ComPort1.SetParity(TComParity{});
    ComPort1.SetStopBits(sbOneStopBit);
    ComPort1.SetFlowControl(TComFlowControl{});
    ComPort1.EndUpdate();
}

TDeviceVESK1::~TDeviceVESK1() = default;

void TDeviceVESK1::SetTarget(TChipDefinition* chip) {
    FTarget = chip;
    FAlgorithm = chip != nullptr ? chip->Algorithm : 0;
    ForgetPosition();
}

void TDeviceVESK1::ForgetPosition() {
    FRegion = -1;
    FAddress.Invalidate();
}

void TDeviceVESK1::Open() {
    WithContext(failed::Open, [&] {
        ComPort1.SetPort(FComPort);
        ComPort1.SetCustomBaudRate(FComBaudRate);
        ForgetPosition();
        // An abort requested during an earlier operation is withdrawn here.
        FAbort = false;
        ComPort1.SetConnected(true);
        if (!ComPort1.Connected()) throw Exception("COM port open failed");
    });
}

void TDeviceVESK1::Close() {
    WithContext(failed::Close, [&] {
        ComPort1.SetConnected(false);
        if (ComPort1.Connected()) throw Exception("COM port close failed");
    });
}

void TDeviceVESK1::Wakeup() {
    WithContext(failed::Wakeup, [&] {
        ForgetPosition();
        ComPort1.SetBreak(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ComPort1.SetBreak(false);
        // After the break the programmer listens at the start-up speed again.
        ComPort1.SetCustomBaudRate(FComBaudRate);
        SyncEcho();
    });
}

void TDeviceVESK1::Activate() {
    WithContext(failed::Activate, [&] {
        ForgetPosition();
        SendCommand(FDeviceID + "h");
    });
}

void TDeviceVESK1::SetBaudRate(int8_t index) {
    const bool valid = index >= 0 && index < int(ProgrammerBaudRates.size());
    WithContext(failed::SetBaudRate(index), [&] {
        if (!valid) throw Exception("Invalid argument");
        // The echoes come back at the old speed; the programmer switches after them.
        SendCommand("00" + Hex(index * 16 + 4, 2) + "p");
        ComPort1.SetCustomBaudRate(ProgrammerBaudRates[index]);
        for (int i = 0; i < 10; ++i) {
            if (OnProcessMessages) OnProcessMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        SyncEcho();
        Activate();
    });
}

std::string TDeviceVESK1::GetType() {
    return WithContext(failed::GetType, [&] {
        SendCommand("t");
        return ReadToken();
    });
}

std::string TDeviceVESK1::GetVersion() {
    return WithContext(failed::GetVersion, [&] {
        SendCommand("v");
        return ReadToken();
    });
}

void TDeviceVESK1::RunTarget() {
    WithContext(failed::RunTarget, [&] {
        ForgetPosition(); // the programmer leaves program mode to release the target
        SendCommand(FDeviceID + "g");
    });
}

void TDeviceVESK1::StopTarget() {
    // Entering program mode holds the target; there is no command of its own.
    WithContext(failed::StopTarget, [&] { ProgramModeEnter(3); });
}

void TDeviceVESK1::EnterPassThrough(uint8_t lines, uint8_t polarity) {
    WithContext(failed::PassThrough, [&] {
        int flags = 0;
        if (lines == 1) flags += 2;    // lines 7,8 instead of 3,4
        if (polarity == 1) flags += 1; // TTL instead of RS232
        ForgetPosition();
        SendCommand("00" + Hex(flags, 2));
        // From the letter on the programmer forwards the target's line, so its
        // answer is not awaited.
        SendCommandNoEcho("p");
    });
}

std::string TDeviceVESK1::GetTargetID() {
    return WithContext(failed::GetTargetId, [&] {
        ProgramModeEnter(3);
        // The identification word lies at 0x2006 of the configuration space.
        FAddress.Reach(3, 0x2006);
        return Hex(ReadData(), 4);
    });
}

namespace {

// The first loaded chip whose ID matches, among every chip or among the PIC18s only.
TChipDefinition* FirstChipWithId(int32_t id, bool pic18Only) {
    for (const auto& chip : ChipDefinitions)
        if ((!pic18Only || chip->IsPIC18()) && chip->MatchesId(id)) return chip.get();
    return nullptr;
}

bool AnyPIC18Loaded() {
    return std::any_of(ChipDefinitions.begin(), ChipDefinitions.end(),
                       [](const auto& chip) { return chip->IsPIC18() && chip->HasId(); });
}

} // namespace

int32_t TDeviceVESK1::ReadTargetIdAsPIC18() {
    TChipDefinition* const chosen = FTarget;
    const int32_t algorithm = FAlgorithm;
    // Exactly as a chosen PIC18 reads it: program mode with its algorithm, then the jump.
    FTarget = nullptr;
    FAlgorithm = AlgorithmPIC18;
    auto restore = [&] {
        FTarget = chosen;
        FAlgorithm = algorithm;
        ForgetPosition(); // the programmer stands in another algorithm's program mode
    };
    try {
        const int32_t id = vbus::ParseHex(GetTargetID());
        restore();
        return id;
    } catch (...) {
        restore();
        throw;
    }
}

TChipDefinition* TDeviceVESK1::FindTarget() {
    return WithContext(failed::FindTarget, [&]() -> TChipDefinition* {
        const int32_t id = vbus::ParseHex(GetTargetID());
        if (id == -1) return nullptr; // the word could not be read
        if (TChipDefinition* chip = FirstChipWithId(id, false)) return chip;
        // A PIC18 does not understand a mid-range read, which then names nothing (or,
        // read from a simulator that answers anyway, could name a mid-range part): it
        // is asked once more in its own algorithm, and only PIC18s may answer to that.
        if (FAlgorithm != AlgorithmPIC18 && AnyPIC18Loaded()) {
            const int32_t pic18Id = ReadTargetIdAsPIC18();
            if (pic18Id != -1)
                if (TChipDefinition* chip = FirstChipWithId(pic18Id, true)) return chip;
        }
        throw Exception("Unknown target: Id = 0x" + Hex(id, 6));
    });
}

void TDeviceVESK1::DetectTarget() {
    WithContext(failed::DetectTarget, [&] {
        TChipDefinition* chip = FindTarget();
        if (chip == nullptr && FTarget == nullptr) throw Exception("Unknown target");
        if (chip != nullptr && chip != FTarget) SetTarget(chip);
    });
}

} // namespace vesk
