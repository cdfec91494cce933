// Which programming algorithm of the programmer's firmware each part uses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "DeviceTable.h"

namespace vesk::chipgen {

// The algorithm name of the chip files ("PIC16" ... "PIC18") for the part.
std::string_view AlgorithmOf(const Device_t& device);
// What the algorithm does, for the files' comments.
std::string_view AlgorithmDescription(std::string_view algorithm);
// Parts the family table names that the device table does not hold: a misspelt name
// would otherwise silently fall to the default of its core.
std::vector<std::string> FamilyPartsMissingFrom(const std::vector<Device_t>& devices);

} // namespace vesk::chipgen
