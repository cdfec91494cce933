// TAppDataStorage: properties, exclusion list, owner hooks, property access by
// name and the text helpers. Loading and saving are in AppDataStorageFile.cpp.
#include "storage/AppDataStorage.h"

#include "storage/MemIniFile.h"
#include "storage/SafeFile.h"
#include "storage/SettingsPlace.h"

#include "common/ProgramFolder.h"
#include "common/Text.h"

#include <algorithm>
#include <filesystem>

namespace vesk {

namespace {

std::string SplitFolder(const std::string& fullName) {
    const std::size_t slash = fullName.rfind('/');
    return slash == std::string::npos ? std::string() : fullName.substr(0, slash + 1);
}

} // namespace

TAppDataStorage::TAppDataStorage(TPublishedOwner& owner)
    : FOwner(owner), FSelf(std::make_shared<TAppDataStorage*>(this)) {
    FPrefix = "Data_";
    // The folder is emptied before the name is set, so the full name is just
    // the file name until the owner is created.
    SetFilePath("");
    SetFileName(owner.Name() + ".Dat");
    FActive = false;
    FSignature = owner.Name() + "DataFileSignature";
    FUseSignature = true;
    FUsePrefix = true;
    FUseFilePath = false;
    FUseRegistry = false;
    FSectionName = "AppData";
    FCreateBackup = true;
    // The default exclusion list needs the owner's property table, which an
    // owner under construction cannot give yet: it is built on first use.
    FExcludeListPending = true;
}

TAppDataStorage::~TAppDataStorage() {
    // The handlers installed in the owner see the storage gone and only pass
    // the events on to the handlers they replaced.
    *FSelf = nullptr;
}

std::string TAppDataStorage::FileName() const {
    return FFullFileName.substr(SplitFolder(FFullFileName).size());
}

void TAppDataStorage::SetFileName(const std::string& value) {
    FFullFileName = SplitFolder(FFullFileName) + value;
}

std::string TAppDataStorage::FilePath() const {
    return NormalizePath(SplitFolder(FFullFileName));
}

void TAppDataStorage::SetFilePath(const std::string& value) {
    FFullFileName = NormalizePath(value) + FileName();
}

const std::vector<std::string>& TAppDataStorage::ExcludeList() {
    if (FExcludeListPending) BuildDefaultExcludeList();
    return FExcludeList;
}

void TAppDataStorage::SetExcludeList(std::vector<std::string> names) {
    FExcludeList = std::move(names);
    FExcludeListPending = false;
    SortExcludeList();
}

void TAppDataStorage::SortExcludeList() {
    std::stable_sort(FExcludeList.begin(), FExcludeList.end(),
                     [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
}

void TAppDataStorage::BuildDefaultExcludeList() {
    FExcludeList.clear();
    for (const TPublishedProperty& p : FOwner.PublishedProperties())
        if (p.Kind != TPropertyKind::Method) FExcludeList.push_back(p.Name);
    FExcludeListPending = false;
    SortExcludeList();
}

bool TAppDataStorage::IsSelected(const std::string& propertyName) {
    if (FUsePrefix) {
        return propertyName.size() >= FPrefix.size() &&
               EqualNoCase(propertyName.substr(0, FPrefix.size()), FPrefix);
    }
    const auto& list = ExcludeList();
    const auto it =
        std::lower_bound(list.begin(), list.end(), propertyName,
                         [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
    return it == list.end() || !EqualNoCase(*it, propertyName);
}

// ---- Owner hooks ------------------------------------------------------------

void TAppDataStorage::Loaded() {
    if (FHooked || FOwner.IsDesigning() || !FOwner.IsFormOrDataModule()) return;
    FHooked = true;
    FOldCreate = FOwner.OnCreate;
    FOldDestroy = FOwner.OnDestroy;
    std::weak_ptr<TAppDataStorage*> self = FSelf;
    FOwner.OnCreate = [self, old = FOldCreate](TPublishedOwner& sender) {
        auto alive = self.lock();
        if (alive && *alive)
            (*alive)->FormCreate(sender);
        else if (old)
            old(sender);
    };
    FOwner.OnDestroy = [self, old = FOldDestroy](TPublishedOwner& sender) {
        auto alive = self.lock();
        if (alive && *alive)
            (*alive)->FormDestroy(sender);
        else if (old)
            old(sender);
    };
}

void TAppDataStorage::FormCreate(TPublishedOwner& sender) {
    if (FOldCreate) FOldCreate(sender);
    try {
        if (!FOwner.IsDesigning() && !FUseFilePath) {
            if (FUseRegistry)
                SetFilePath("Software/" + ProgramBaseName()); // a registry key path
            else
                SetFilePath(ProgramFolder());
        }
        PlaceFile();
    } catch (...) {
        // Settings that cannot be loaded leave the owner's defaults in force.
    }
}

void TAppDataStorage::PlaceFile() {
    if (!FUserFileFallback || FUseRegistry || FOwner.IsDesigning()) {
        if (FActive) Load();
        return;
    }
    const TSettingsPlace place = PlaceSettingsFile(FilePath(), FileName());
    FMakeFolder = place.UserFile;
    FFullFileName = place.ReadFrom;
    struct TWriteTo {
        std::string& Name;
        const std::string& To;
        ~TWriteTo() { Name = To; } // also when the load fails
    } writeTo{FFullFileName, place.WriteTo};
    if (FActive) Load();
}

void TAppDataStorage::FormDestroy(TPublishedOwner& sender) {
    if (FActive) {
        try {
            Save(false);
        } catch (const std::exception& e) {
            // The owner is going away: only a listener may still tell the user.
            if (OnSaveFailed) OnSaveFailed(e.what());
        } catch (...) {
        }
    }
    if (FOldDestroy) FOldDestroy(sender);
}

// ---- Properties by name -------------------------------------------------------

namespace {

std::optional<TPublishedProperty> FindProperty(TPublishedOwner& owner, const std::string& name) {
    for (TPublishedProperty& p : owner.PublishedProperties())
        if (EqualNoCase(p.Name, name)) return std::move(p);
    return std::nullopt;
}

bool IsOrdinal(TPropertyKind kind) {
    return kind == TPropertyKind::Integer || kind == TPropertyKind::Char ||
           kind == TPropertyKind::Enumeration;
}

} // namespace

std::string TAppDataStorage::GetPropertyString(const std::string& name) {
    auto p = FindProperty(FOwner, name);
    if (!p || p->Kind != TPropertyKind::String || !p->GetString) return {};
    return p->GetString();
}

void TAppDataStorage::SetPropertyString(const std::string& name, const std::string& value) {
    auto p = FindProperty(FOwner, name);
    if (p && p->Kind == TPropertyKind::String && p->SetString) p->SetString(value);
}

int32_t TAppDataStorage::GetPropertyOrd(const std::string& name) {
    auto p = FindProperty(FOwner, name);
    if (!p || !IsOrdinal(p->Kind) || !p->GetOrd) return 0;
    return p->GetOrd();
}

void TAppDataStorage::SetPropertyOrd(const std::string& name, int32_t value) {
    auto p = FindProperty(FOwner, name);
    if (p && IsOrdinal(p->Kind) && p->SetOrd) p->SetOrd(value);
}

// ---- Text helpers -------------------------------------------------------------

std::string TAppDataStorage::EncodeMultilineString(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (text[i] == '\r' || text[i] == '\n') {
            // A bare line break would split the entry in the file.
            out += "\\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string TAppDataStorage::DecodeMultilineString(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string TAppDataStorage::NormalizePath(const std::string& path) {
    if (path.empty() || path.back() == '/') return path;
    return path + '/';
}

std::string TAppDataStorage::ExpandPath(const std::string& path, const std::string& base) {
    namespace fs = std::filesystem;
    fs::path folder(base);
    if (folder.is_relative()) {
        const std::string programFolder = ProgramFolder();
        folder = (programFolder.empty() ? fs::current_path() : fs::path(programFolder)) / folder;
    }
    const fs::path p(path);
    return (p.is_absolute() ? p : folder / p).lexically_normal().string();
}

} // namespace vesk
