// The user's data folder on POSIX.
#include "common/XdgFolder.h"
#include "storage/CalibrationMemory.h"

namespace vesk {

std::string UserDataFolder() {
    return XdgUserFolder("XDG_DATA_HOME", ".local/share/", "vesk/");
}

} // namespace vesk
