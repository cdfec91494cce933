// The driver as a whole object, and the connection-level operations.
#include "driver/DeviceVESK1.h"
#include "driver/DeviceVESK1Failures.h"
#include "driver/VbusFormat.h"

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipDefinitions.h"
#include "common/Text.h"

#include "serial/port/ComPortTransport.h"

#include <algorithm>
#include <chrono>

namespace vesk {

TDeviceVESK1::TDeviceVESK1() : TDeviceVESK1(std::make_unique<TComPortTransport>()) {}

TDeviceVESK1::TDeviceVESK1(std::unique_ptr<TTransport> transport) : FTransport(std::move(transport)) {}

TDeviceVESK1::~TDeviceVESK1() = default;

void TDeviceVESK1::SetTarget(TChipDefinition* chip) {
    FWords.SetTarget(chip);
}

void TDeviceVESK1::Open() {
    WithContext(failed::Open, [&] {
        FWords.ForgetPosition();
        // An abort requested during an earlier operation is withdrawn here.
        FAbort = false;
        FTransport->Open(FComPort, FComBaudRate);
        if (!FTransport->IsOpen()) throw Exception("COM port open failed", TFailureKind::NotOpened);
    });
}

void TDeviceVESK1::Close() {
    WithContext(failed::Close, [&] {
        FTransport->Close();
        if (FTransport->IsOpen()) throw Exception("COM port close failed", TFailureKind::NotOpened);
    });
}

void TDeviceVESK1::Wakeup() {
    WithContext(failed::Wakeup, [&] {
        FWords.ForgetPosition();
        FTransport->SetBreak(true);
        FTransport->Sleep(std::chrono::milliseconds(100));
        FTransport->SetBreak(false);
        // After the break the programmer listens at the start-up speed again.
        FTransport->SetSpeed(FComBaudRate);
        FLink.SyncEcho();
    });
}

void TDeviceVESK1::Activate() {
    WithContext(failed::Activate, [&] {
        FWords.ForgetPosition();
        FLink.SendCommand(FDeviceID + "h");
    });
}

void TDeviceVESK1::SetBaudRate(int8_t index) {
    const bool valid = index >= 0 && index < int(ProgrammerBaudRates.size());
    WithContext(failed::SetBaudRate(index), [&] {
        if (!valid) throw Exception("Invalid argument", TFailureKind::BadArgument);
        // The echoes come back at the old speed; the programmer switches after them.
        FLink.SendCommand("00" + Hex(index * 16 + 4, 2) + "p");
        FTransport->SetSpeed(ProgrammerBaudRates[index]);
        for (int i = 0; i < 10; ++i) {
            if (OnProcessMessages) OnProcessMessages();
            FTransport->Sleep(std::chrono::milliseconds(1));
        }
        FLink.SyncEcho();
        Activate();
    });
}

std::string TDeviceVESK1::GetType() {
    return WithContext(failed::GetType, [&] {
        FLink.SendCommand("t");
        return FLink.ReadToken();
    });
}

std::string TDeviceVESK1::GetVersion() {
    return WithContext(failed::GetVersion, [&] {
        FLink.SendCommand("v");
        return FLink.ReadToken();
    });
}

void TDeviceVESK1::RunTarget() {
    WithContext(failed::RunTarget, [&] {
        FWords.ForgetPosition(); // the programmer leaves program mode to release the target
        FLink.SendCommand(FDeviceID + "g");
    });
}

void TDeviceVESK1::StopTarget() {
    // Entering program mode holds the target; there is no command of its own.
    WithContext(failed::StopTarget, [&] { FWords.ProgramModeEnter(3); });
}

void TDeviceVESK1::EnterPassThrough(uint8_t lines, uint8_t polarity) {
    WithContext(failed::PassThrough, [&] {
        int flags = 0;
        if (lines == 1) flags += 2;    // lines 7,8 instead of 3,4
        if (polarity == 1) flags += 1; // TTL instead of RS232
        FWords.ForgetPosition();
        FLink.SendCommand("00" + Hex(flags, 2));
        // From the letter on the programmer forwards the target's line, so its
        // answer is not awaited.
        FLink.SendCommandNoEcho("p");
    });
}

std::string TDeviceVESK1::GetTargetID() {
    return WithContext(failed::GetTargetId, [&] {
        FWords.ProgramModeEnter(3);
        // The identification word lies at 0x2006 of the configuration space.
        FWords.Reach(3, 0x2006);
        return Hex(FWords.ReadData(), 4);
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
    TChipDefinition* const chosen = FWords.Target();
    // Exactly as a chosen PIC18 reads it: program mode with its algorithm, then the jump.
    FWords.SetTarget(nullptr);
    FWords.SetAlgorithm(AlgorithmPIC18);
    // The choice comes back, and the position is forgotten: the programmer stands in
    // another algorithm's program mode.
    auto restore = [&] { FWords.SetTarget(chosen); };
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
        if (FWords.Algorithm() != AlgorithmPIC18 && AnyPIC18Loaded()) {
            const int32_t pic18Id = ReadTargetIdAsPIC18();
            if (pic18Id != -1)
                if (TChipDefinition* chip = FirstChipWithId(pic18Id, true)) return chip;
        }
        throw Exception("Unknown target: Id = 0x" + Hex(id, 6), TFailureKind::UnknownTarget);
    });
}

void TDeviceVESK1::DetectTarget() {
    WithContext(failed::DetectTarget, [&] {
        TChipDefinition* chip = FindTarget();
        if (chip == nullptr && Target() == nullptr)
            throw Exception("Unknown target", TFailureKind::UnknownTarget);
        if (chip != nullptr && chip != Target()) SetTarget(chip);
    });
}

} // namespace vesk
