// Port names on Windows: "COM3" (or any device name) is opened in the device
// namespace as "\\.\COM3"; a name that already starts with "\\" is a full path.
#include "ComPort.h"

namespace vesk {

std::string ComPortDevicePath(const std::string& port) {
    if (port.rfind("\\\\", 0) == 0) return port;
    return "\\\\.\\" + port;
}

} // namespace vesk
