// The user's data folder on Windows.
#include "storage/CalibrationMemory.h"

namespace vesk {

// On Windows the programs keep nothing outside their own folder, as they always have.
std::string UserDataFolder() {
    return {};
}

} // namespace vesk
