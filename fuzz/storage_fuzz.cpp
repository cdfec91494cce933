// Settings storage: arbitrary bytes as "WinVESK.ini", loaded into an owner with one
// property of every kind. Any `vesk::Exception` is a proper refusal. A file that
// loads is saved and loaded again: from then on saving and loading must agree (the
// second file equals the first), so no value can break the file's structure.
#include "FuzzSupport.h"

#include "common/VESK_Exception.h"
#include "storage/AppDataStorage.h"
#include "storage/SettingsFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class TFuzzOwner : public vesk::TPublishedOwner {
  public:
    TFuzzOwner() : TPublishedOwner("ProgrammingForm") {}

    std::string Caption = "WinVESK";
    int32_t Delay = 35;
    bool Verify = false;
    char Letter = 'A';
    int32_t Parity = 2;
    double Ratio = 1.5;
    std::string Text = "COM1";
    std::vector<std::string> Recent;

    std::vector<vesk::TPublishedProperty> PublishedProperties() override {
        using P = vesk::TPublishedProperty;
        return {
            P::String(
                "Caption", [this] { return Caption; }, [this](const std::string& v) { Caption = v; }),
            P::Method("OnClick"),
            P::Integer(
                "Delay", [this] { return Delay; }, [this](int32_t v) { Delay = v; }),
            P::Boolean(
                "Verify", [this] { return Verify; }, [this](bool v) { Verify = v; }),
            P::Char(
                "Letter", [this] { return Letter; }, [this](char v) { Letter = v; }),
            P::Enumeration(
                "Parity", [this] { return Parity; }, [this](int32_t v) { Parity = v; }),
            P::Float(
                "Ratio", [this] { return Ratio; }, [this](double v) { Ratio = v; }),
            P::String(
                "Text", [this] { return Text; }, [this](const std::string& v) { Text = v; }),
            P::StringList(
                "Recent", [this] { return Recent; },
                [this](const std::vector<std::string>& v) { Recent = v; }),
            P::Object("Font"),
            P::Other("Big"),
        };
    }
};

void Configure(vesk::TAppDataStorage& storage, const std::string& folder, bool signature) {
    vesk::SetUpSettingsFile(storage);
    storage.SetFilePath(folder);
    storage.SetUseFilePath(true);
    storage.SetUseSignature(signature);
    storage.SetSignature("ProgrammingFormDataFileSignature");
    storage.SetExcludeList({"Caption", "Name"});
}

bool Load(vesk::TAppDataStorage& storage) {
    try {
        return storage.Load();
    } catch (const vesk::Exception&) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static vesk::test::TTempFolder folder;
    const std::string file = folder.Path() + "WinVESK.ini";
    vesk::fuzz::WriteFileBytes(file, data, size);

    // With a signature check first: most files fail it, the rest load.
    {
        TFuzzOwner owner;
        vesk::TAppDataStorage storage(owner);
        Configure(storage, folder.Path(), true);
        Load(storage);
    }

    TFuzzOwner owner;
    vesk::TAppDataStorage storage(owner);
    Configure(storage, folder.Path(), false);
    if (!Load(storage)) return 0;
    VESK_FUZZ_CHECK(owner.Caption == "WinVESK"); // excluded: never read
    VESK_FUZZ_CHECK(owner.Verify == false || owner.Verify == true);

    // Saving is slower (the file is flushed to disk): only every few inputs.
    if (size % 4 != 0) return 0;
    storage.Save(false);
    const std::string first = vesk::test::ReadText(file);
    TFuzzOwner again;
    vesk::TAppDataStorage againStorage(again);
    Configure(againStorage, folder.Path(), false);
    VESK_FUZZ_CHECK(Load(againStorage));
    VESK_FUZZ_CHECK(again.Delay == owner.Delay && again.Verify == owner.Verify &&
                    again.Letter == owner.Letter && again.Parity == owner.Parity);
    VESK_FUZZ_CHECK(again.Ratio == owner.Ratio || (std::isnan(again.Ratio) && std::isnan(owner.Ratio)));
    VESK_FUZZ_CHECK(again.Recent.size() == owner.Recent.size());
    againStorage.Save(false);
    VESK_FUZZ_CHECK(vesk::test::ReadText(file) == first);
    return 0;
}
