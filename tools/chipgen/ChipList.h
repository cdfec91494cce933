// docs/chips.md: every part with its ID, memory sizes and algorithm.
#pragma once

#include <string>
#include <vector>

#include "DeviceTable.h"

namespace vesk::chipgen {

std::string ChipListText(const std::vector<Device_t>& devices);

} // namespace vesk::chipgen
