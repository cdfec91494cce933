// What a write of a chip's configuration words should tell before it starts: code or
// data protection turned on, low-voltage programming on, MCLR off with an internal
// oscillator, configuration words the image leaves out. `vesk` prints them on
// standard error; the window asks before a write that protects the chip.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chipdef/ConfigWords.h"

namespace vesk {

// What the warnings know a field to be, by its name: the compilers name them LVP,
// MCLRE and FOSC on mid-range parts and LVP, MCLR (or MCLRE) and OSC on the PIC18.
enum class TConfigRole { Other, LowVoltageProgramming, MasterClear, Oscillator };
TConfigRole ConfigRoleOf(std::string_view fieldName);

// Whether an option turns its field's function on: low-voltage programming on (ON,
// ENABLED), the MCLR pin a reset (ON, EXTERNAL, EXTMCLR), or an internal oscillator
// (INTOSC..., INTRC..., INTIO..., IRC..., INT). Letter case ignored. For LVP and MCLR
// an option of another name gives nothing; an oscillator of another name is external.
std::optional<bool> ConfigOptionOn(TConfigRole role, std::string_view option);

enum class TConfigWarningKind { Protection, LowVoltageProgramming, MclrOffInternalOscillator, WordLeftOut };

struct ConfigWarning_t {
    TConfigWarningKind Kind;
    std::string Text; // one line, without "warning:"; begins in lower case
};

// The warnings for a write of `regions` (AllRegions or one region code) with the
// buffer as it stands. A write of every region starts from an erased chip: every
// configuration word counts, one not given with its erased value, and each one not
// given is told. A write of Fuses alone leaves the words not given as the chip has
// them: only the given ones count. A write of Code or Data alone writes no
// configuration word: no warning. Protection is the chip's `Protect` entries: a
// region that reads back 0 afterwards.
std::vector<ConfigWarning_t> ConfigWarnings(const TConfigBuffer& config, int16_t regions);

// True when one of the warnings is a protection warning.
bool HasProtectionWarning(const std::vector<ConfigWarning_t>& warnings);

} // namespace vesk
