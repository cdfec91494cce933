// The chip the simulator tests run against: DEMO16 with Code, Data, Fuses and Id regions.
#pragma once

#include <string>

#include "chipdef/ChipDefinition.h"

namespace vesk::sim::test {

// Code 0..0x3FF (14 bit), Data 0x2100..0x213F (8 bit), Fuses 0x2007, Id 0x2000..0x2003.
const TChipDefinition& Demo16();
std::string Demo16Text();

} // namespace vesk::sim::test
