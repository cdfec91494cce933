// The serial ports the system knows, from the registry: every value under
// HARDWARE\DEVICEMAP\SERIALCOMM names one port ("COM1") in its data.
#include "ComPortDevice.h"

#include <windows.h>

namespace vesk {

namespace {

// Closes the key on every way out.
class TRegKey {
  public:
    TRegKey() = default;
    ~TRegKey() {
        if (FKey) ::RegCloseKey(FKey);
    }
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;
    HKEY* Out() { return &FKey; }
    HKEY Get() const { return FKey; }

  private:
    HKEY FKey = nullptr;
};

} // namespace

std::string DefaultComDeviceRoot() {
    return "HARDWARE\\DEVICEMAP\\SERIALCOMM";
}

// `root` is a key under HKEY_LOCAL_MACHINE, or under HKEY_CURRENT_USER when it
// starts with "HKEY_CURRENT_USER\" (so that a test can use a key of its own).
std::vector<std::string> ListComDevices(const std::string& root) {
    static const std::string userPrefix = "HKEY_CURRENT_USER\\";
    HKEY hive = HKEY_LOCAL_MACHINE;
    std::string path = root;
    if (path.compare(0, userPrefix.size(), userPrefix) == 0) {
        hive = HKEY_CURRENT_USER;
        path.erase(0, userPrefix.size());
    }
    TRegKey key;
    LONG result = ::RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, key.Out());
    if (result != ERROR_SUCCESS) throw EComPort(ErrRegistry, int(result));

    std::vector<std::string> found;
    for (DWORD index = 0;; ++index) {
        char name[256];
        BYTE data[256];
        DWORD nameLength = sizeof name;
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        result = ::RegEnumValueA(key.Get(), index, name, &nameLength, nullptr, &type, data, &dataLength);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) throw EComPort(ErrRegistry, int(result));
        if (type != REG_SZ) continue;
        // The stored string may or may not carry its terminating NUL.
        std::string port(reinterpret_cast<const char*>(data), dataLength);
        port.resize(port.find('\0') == std::string::npos ? port.size() : port.find('\0'));
        if (!port.empty()) found.push_back(port);
    }
    return found;
}

} // namespace vesk

namespace vesk {

// The registry's port list tells names only.
TComPortInfo ComPortInfo(const std::string& device) {
    TComPortInfo info;
    info.Device = device;
    return info;
}

TComPortInfo ComPortInfo(const std::string& device, const std::string&, const std::string&) {
    return ComPortInfo(device);
}

} // namespace vesk
