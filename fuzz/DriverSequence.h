// The operations the driver fuzz target runs, shared with the program that records
// its seed from the simulator: a connection, identification, reads, a write with
// verify and target control, as the desktop program calls them. The control byte
// chooses the optional steps.
#pragma once

#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipDefinitions.h"
#include "common/VESK_Exception.h"
#include "driver/DeviceVESK1.h"
#include "hexfile/IntelHexFile.h"
#include "ops/Steps.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vesk::fuzz {

// Bits of the control byte.
constexpr uint8_t SelectTarget = 0x01;   // a chip is selected before the target is detected
constexpr uint8_t SecondChip = 0x02;     // ... the PIC18 one instead of the PIC16 one
constexpr uint8_t HangUp = 0x04;         // the line goes away when the answers run out
constexpr uint8_t ChangeSpeed = 0x08;    // switch the programmer's speed (index from bits 5-7)
constexpr uint8_t WriteAndVerify = 0x10; // load an image, erase, write and verify
constexpr uint8_t PassThrough = 0x20;    // end in pass-through instead of running the target
// A control byte of exactly this value wakes the programmer with a break; every other
// one only synchronises.
constexpr uint8_t RealWakeup = 'W';

// Two tiny chips, so that every region operation ends within a few dozen bytes.
inline const char* const TinyChip16 =
    "[Chip]\nName=TINY16\nId=0x0F00\nAlgorithm=PIC16\n"
    "[Region1]\nName=Code\nBase=0\nStart=0\nSize=3\nDefault=0x3FFF\n"
    "Preserve=0x2=0x3FFF\n"
    "[Region2]\nName=Data\nBase=0x2100\nStart=0x2100\nSize=2\nDefault=0xFF\n"
    "[Region3]\nName=Fuses\nBase=0x2007\nStart=0x2007\nSize=1\n"
    "Default=0x3FFF\nAlgorithm=PIC16A\nPreserve=0x2007=0x3000\n"
    "[Region4]\nName=Id\nBase=0x2000\nStart=0x2000\nSize=1\nDefault=0x3FFF\n";
inline const char* const TinyChip18 = "[Chip]\nName=TINY18\nId=0x0420\nAlgorithm=PIC18\n"
                                      "[Region1]\nName=Code\nBase=0\nStart=0\nSize=2\nDefault=0xFFFF\n"
                                      "[Region2]\nName=Data\nBase=0x780000\nStart=0x780000\nSize=1\n"
                                      "Default=0xFF\n"
                                      "[Region3]\nName=Fuses\nBase=0x180000\nStart=0x180000\nSize=2\n"
                                      "Default=0xFFFF\nPreserve=0x180001=0x00FF\n";
// Words for every region of both chips (the words outside a chip are refused by LoadBuffer).
inline const char* const TinyImage = ":0400000034120000B6\n" // Code 0, 1
                                     ":02420000550067\n"     // Data 0x2100
                                     ":02400E00FF3F72\n"     // Fuses 0x2007
                                     ":00000001FF\n";

// Loads the chips into `ChipDefinitions` once; returns them (PIC16 first).
inline TChipDefinition* TinyChip(bool second) {
    static const bool loaded = [] {
        for (const char* text : {TinyChip16, TinyChip18}) {
            auto chip = std::make_unique<TChipDefinition>();
            chip->LoadFromText(text);
            ChipDefinitions.push_back(std::move(chip));
        }
        return true;
    }();
    (void)loaded;
    for (const auto& chip : ChipDefinitions)
        if (chip->Name == (second ? "TINY18" : "TINY16")) return chip.get();
    return nullptr;
}

// Runs the sequence, each step through the operation layer's call of it; `done` tells when the line has
// nothing more to say, so that the remaining steps (each would only wait for its time-out) are skipped. Every
// step's failure must be a `vesk::Exception`, handed to `failed` when given; anything else leaves this
// function.
inline void RunSequence(TDeviceVESK1& dev, uint8_t control, const std::function<bool()>& done,
                        const std::function<void(const std::string&)>& failed = {}) {
    dev.SetTarget((control & SelectTarget) ? TinyChip(control & SecondChip) : nullptr);
    TinyChip(false);

    const auto step = [&](const std::function<void()>& body) {
        if (done()) return;
        try {
            body();
        } catch (const Exception& e) {
            if (failed) failed(e.Message());
        }
    };
    TIntelHexFile image;
    std::string answer;
    ops::TStepArgs args;
    args.BaudIndex = static_cast<int8_t>(control >> 5);
    args.Lines = control >> 6 & 1;
    args.Polarity = control >> 7;
    args.Image = [&]() -> const TIntelHexFile& {
        image.LoadFromText(TinyImage, "tiny.hex");
        return image;
    };
    args.Text = &answer;
    const auto run = [&](ops::TStepId id) { step([&] { ops::Perform(dev, {id, AllRegions}, args); }); };

    if (control == RealWakeup)
        run(ops::TStepId::Wakeup);
    else
        step([&] {
            TVbusLink link(dev.Transport(), &dev.OnTrace);
            link.SetReadTimeoutMs(dev.ComReadTimeout());
            link.SyncEcho();
        });
    run(ops::TStepId::Activate);
    if (control & ChangeSpeed) run(ops::TStepId::SetBaudRate);
    run(ops::TStepId::GetType);
    run(ops::TStepId::GetVersion);
    run(ops::TStepId::DetectTarget);
    run(ops::TStepId::Read);
    if (control & WriteAndVerify) {
        run(ops::TStepId::LoadImage);
        run(ops::TStepId::Erase);
        run(ops::TStepId::Write);
        run(ops::TStepId::Verify);
    }
    run(ops::TStepId::GetTargetId);
    run(control & PassThrough ? ops::TStepId::PassThrough : ops::TStepId::RunTarget);
}

} // namespace vesk::fuzz
