// The user's folder of chip definition files on POSIX.
#include "ChipDefinitions.h"
#include "XdgFolder.h"

namespace vesk {

std::string UserChipDirectory() {
    return XdgUserFolder("XDG_DATA_HOME", ".local/share/", "vesk/chips/");
}

} // namespace vesk
