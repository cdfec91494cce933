#include "cli/Settings.h"

#include "driver/DeviceVESK1.h"
#include "storage/AppDataStorage.h"
#include "storage/PublishedOwner.h"
#include "storage/SettingsFile.h"
#include "storage/SettingsPlace.h"

#include <filesystem>

namespace vesk::cli {

namespace {

// Stands in for the desktop program's main window: the same owner name, and those of
// its published properties that the tool uses. The storage reads them by name and
// leaves the file's other entries alone.
class TSettingsOwner : public TPublishedOwner {
  public:
    explicit TSettingsOwner(TSettings& s) : TPublishedOwner("ProgrammingForm"), S(s) {}

    std::vector<TPublishedProperty> PublishedProperties() override {
        using P = TPublishedProperty;
        return {
            P::String(
                "ComPort", [this] { return S.ComPort; }, [this](const std::string& v) { S.ComPort = v; }),
            P::Integer(
                "ComReadTimeout", [this] { return S.ComReadTimeout; },
                [this](int32_t v) { S.ComReadTimeout = v; }),
            P::Integer(
                "ProgramDelay", [this] { return S.ProgramDelay; }, [this](int32_t v) { S.ProgramDelay = v; }),
            P::String(
                "DeviceID", [this] { return S.DeviceID; }, [this](const std::string& v) { S.DeviceID = v; }),
            P::Integer(
                "VeskBaudRate", [this] { return S.VeskBaudRate; }, [this](int32_t v) { S.VeskBaudRate = v; }),
        };
    }

  private:
    TSettings& S;
};

} // namespace

TSettings ReadSettings(const TDeviceVESK1& driver, const std::string& directory) {
    TSettings s;
    s.ComPort = driver.ComPort();
    s.ComReadTimeout = driver.ComReadTimeout();
    s.ProgramDelay = driver.ProgramDelay();
    s.DeviceID = driver.DeviceID();

    // Beside the program where that folder may be written, else the user's own file
    // (or, until the window first saved one, the one beside the program).
    const std::filesystem::path file = PlaceSettingsFile(directory, SettingsFileName).ReadFrom;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return s;
    TSettings loaded = s;
    TSettingsOwner owner(loaded);
    // The desktop window's storage: no signature, no prefix. It is never made active
    // and never hooked to the owner, so nothing is ever saved.
    TAppDataStorage storage(owner);
    SetUpSettingsFile(storage);
    storage.SetFilePath(file.parent_path().string());
    storage.SetFileName(file.filename().string());
    storage.SetExcludeList({});
    try {
        storage.Load();
        s = loaded;
    } catch (...) {
        // Settings that cannot be read are ignored, as the desktop program ignores them.
    }
    // The settings page keeps the programming delay to one byte.
    s.ProgramDelay &= 0xFF;
    return s;
}

} // namespace vesk::cli
