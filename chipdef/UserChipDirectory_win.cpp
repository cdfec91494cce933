// The user's folder of chip definition files on Windows.
#include "ChipDefinitions.h"

namespace vesk {

// On Windows new chip files go beside the program, as they always have.
std::string UserChipDirectory() {
    return {};
}

} // namespace vesk
