// The serial devices present, from the kernel's tty class folder: every entry
// backed by a device, less the placeholders the legacy 8250 driver registers for
// UARTs that are not there.
#include "ComPortDevice.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace vesk {

namespace fs = std::filesystem;

namespace {

// Name of the driver bound to the tty's device, "" when unknown.
std::string DriverName(const fs::path& entry) {
    std::error_code ec;
    const fs::path driver = fs::read_symlink(entry / "device" / "driver", ec);
    return ec ? std::string() : driver.filename().string();
}

// A legacy "ttyS" port is real when the kernel found a UART there (its "type" is
// not 0, PORT_UNKNOWN) or, without a type, when it is not one of the 8250
// driver's placeholder platform ports.
bool LegacyPortIsReal(const fs::path& entry) {
    std::ifstream type(entry / "type");
    int value = 0;
    if (type >> value) return value != 0;
    return DriverName(entry) != "serial8250";
}

} // namespace

std::string DefaultComDeviceRoot() {
    return "/sys";
}

std::vector<std::string> ListComDevices(const std::string& root) {
    const fs::path classDir = fs::path(root) / "class" / "tty";
    std::error_code ec;
    fs::directory_iterator it(classDir, ec);
    if (ec) throw EComPort(ErrRegistry, ec.value());
    std::vector<std::string> found;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) throw EComPort(ErrRegistry, ec.value());
        const fs::path entry = it->path();
        const std::string name = entry.filename().string();
        // Only entries backed by a device: virtual consoles, pseudo-terminals and
        // the console alias have none.
        std::error_code linkError;
        if (!fs::exists(entry / "device", linkError)) continue;
        if (name.rfind("ttyS", 0) == 0 && !LegacyPortIsReal(entry)) continue;
        found.push_back("/dev/" + name);
    }
    return found;
}

} // namespace vesk

namespace vesk {

namespace {

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

} // namespace

TComPortInfo ComPortInfo(const std::string& device) {
    return ComPortInfo(device, DefaultComDeviceRoot(), "/dev/serial/by-id");
}

TComPortInfo ComPortInfo(const std::string& device, const std::string& root, const std::string& byId) {
    TComPortInfo info;
    info.Device = device;
    const std::string name = fs::path(device).filename().string();
    std::error_code ec;
    const fs::path tty = fs::canonical(fs::path(root) / "class" / "tty" / name / "device", ec);
    if (!ec) {
        info.Driver = DriverName(fs::path(root) / "class" / "tty" / name);
        // The USB device is the first folder above the tty's own that has a vendor id.
        const fs::path top = fs::canonical(root, ec);
        for (fs::path at = tty; !ec && at != top && at.has_relative_path(); at = at.parent_path()) {
            std::error_code exists;
            if (!fs::exists(at / "idVendor", exists)) continue;
            info.Usb = true;
            info.Maker = FirstLine(at / "manufacturer");
            info.Product = FirstLine(at / "product");
            info.Serial = FirstLine(at / "serial");
            break;
        }
    }
    // by-id names are links such as "../../ttyUSB0".
    for (fs::directory_iterator it(byId, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        if (fs::read_symlink(it->path(), linkError).filename() == name && !linkError) {
            info.ById = it->path().string();
            break;
        }
    }
    return info;
}

} // namespace vesk
