// The driver as a whole object, and the connection-level operations.
#include "driver/DeviceVESK1.h"
#include "driver/DeviceVESK1Failures.h"
#include "driver/VbusFormat.h"

#include "VESK_Exception.h"
#include "chipdef/ChipCatalogue.h"
#include "chipdef/ChipDefinition.h"
#include "common/Text.h"

#include "serial/port/ComPortTransport.h"

#include <algorithm>
#include <chrono>

namespace vesk {

TDeviceVESK1::TDeviceVESK1() : TDeviceVESK1(std::make_unique<TComPortTransport>()) {}

TDeviceVESK1::TDeviceVESK1(std::unique_ptr<TTransport> transport) : FTransport(std::move(transport)) {}

TDeviceVESK1::~TDeviceVESK1() = default;

void TDeviceVESK1::SetTarget(const TChipDefinition* chip) {
    FWords.SetTarget(chip);
    FSession = nullptr;
    if (chip == nullptr) return;
    auto it = FSessions.find(chip->Name);
    // A chip of the same name from another catalogue starts afresh.
    if (it != FSessions.end() && &it->second.Chip() != chip) it->second = TChipSession(*chip);
    if (it == FSessions.end()) it = FSessions.emplace(chip->Name, TChipSession(*chip)).first;
    FSession = &it->second;
}

void TDeviceVESK1::ForgetSessions() {
    SetTarget(nullptr);
    FSessions.clear();
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

// The catalogue's first chip whose ID matches, among every chip or among the PIC18s only.
const TChipDefinition* FirstChipWithId(const TChipCatalogue& catalogue, int32_t id, bool pic18Only) {
    for (const auto& chip : catalogue.Chips())
        if ((!pic18Only || chip->IsPIC18()) && chip->MatchesId(id)) return chip.get();
    return nullptr;
}

bool AnyPIC18Known(const TChipCatalogue& catalogue) {
    return std::any_of(catalogue.Chips().begin(), catalogue.Chips().end(),
                       [](const auto& chip) { return chip->IsPIC18() && chip->HasId(); });
}

} // namespace

int32_t TDeviceVESK1::ReadTargetIdAsPIC18() {
    const TChipDefinition* const chosen = FWords.Target();
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

const TChipDefinition* TDeviceVESK1::FindTarget(const TChipCatalogue& catalogue) {
    return WithContext(failed::FindTarget, [&]() -> const TChipDefinition* {
        const int32_t id = vbus::ParseHex(GetTargetID());
        if (id == -1) return nullptr; // the word could not be read
        if (const TChipDefinition* chip = FirstChipWithId(catalogue, id, false)) return chip;
        // A PIC18 does not understand a mid-range read, which then names nothing (or,
        // read from a simulator that answers anyway, could name a mid-range part): it
        // is asked once more in its own algorithm, and only PIC18s may answer to that.
        if (FWords.Algorithm() != AlgorithmPIC18 && AnyPIC18Known(catalogue)) {
            const int32_t pic18Id = ReadTargetIdAsPIC18();
            if (pic18Id != -1)
                if (const TChipDefinition* chip = FirstChipWithId(catalogue, pic18Id, true)) return chip;
        }
        throw Exception("Unknown target: Id = 0x" + Hex(id, 6), TFailureKind::UnknownTarget);
    });
}

void TDeviceVESK1::DetectTarget() {
    WithContext(failed::DetectTarget, [&] {
        static const TChipCatalogue none;
        const TChipDefinition* chip = FindTarget(FCatalogue != nullptr ? *FCatalogue : none);
        if (chip == nullptr && Target() == nullptr)
            throw Exception("Unknown target", TFailureKind::UnknownTarget);
        if (chip != nullptr && chip != Target()) SetTarget(chip);
    });
}

} // namespace vesk
