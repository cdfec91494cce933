#include "storage/SettingsTable.h"

#include "storage/AppDataStorage.h"
#include "storage/SettingsFile.h"

#include <filesystem>

namespace vesk {

const TSetting* FindSetting(std::string_view name) {
    for (const TSetting& s : SettingsTable)
        if (name == s.Name) return &s;
    return nullptr;
}

void SetToDefaults(const std::vector<TPublishedProperty>& properties) {
    for (const TPublishedProperty& p : properties) {
        const TSetting* s = FindSetting(p.Name);
        if (s == nullptr) continue;
        switch (s->Type) {
        case TSettingType::Integer:
        case TSettingType::Flag:
            if (p.SetOrd) p.SetOrd(s->Number);
            break;
        case TSettingType::Text:
            if (p.SetString) p.SetString(s->Text);
            break;
        case TSettingType::TextList:
            if (p.SetStrings) p.SetStrings({});
            break;
        }
    }
}

// The window's name: the storage derives its default file name and signature from it.
TSettingValues::TSettingValues() : TPublishedOwner("ProgrammingForm") {
    SetToDefaults(PublishedProperties());
}

std::vector<TPublishedProperty> TSettingValues::PublishedProperties() {
    using P = TPublishedProperty;
    std::vector<TPublishedProperty> list;
    for (const TSetting& s : SettingsTable) {
        TValue& v = FValues[std::size_t(s.Id)];
        switch (s.Type) {
        case TSettingType::Integer:
            list.push_back(P::Integer(
                s.Name, [&v] { return v.Number; }, [&v](int32_t n) { v.Number = n; }));
            break;
        case TSettingType::Flag:
            list.push_back(P::Boolean(
                s.Name, [&v] { return v.Number != 0; }, [&v](bool b) { v.Number = b; }));
            break;
        case TSettingType::Text:
            list.push_back(P::String(
                s.Name, [&v] { return v.Text; }, [&v](const std::string& t) { v.Text = t; }));
            break;
        case TSettingType::TextList:
            list.push_back(P::StringList(
                s.Name, [&v] { return v.Lines; }, [&v](const std::vector<std::string>& l) { v.Lines = l; }));
            break;
        }
    }
    return list;
}

void LoadSettingValues(const std::string& file, TSettingValues& values) {
    // Never made active nor hooked to the owner: nothing is ever saved.
    TAppDataStorage storage(values);
    SetUpSettingsFile(storage);
    const std::filesystem::path path(file);
    storage.SetFilePath(path.parent_path().string());
    storage.SetFileName(path.filename().string());
    storage.SetExcludeList({});
    storage.Load();
}

} // namespace vesk
