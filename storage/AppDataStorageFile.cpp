// TAppDataStorage: loading and saving the owner's properties, the signature,
// string lists and the backup copy.
#include "storage/AppDataStorage.h"

#include "common/Text.h"
#include "common/VESK_Exception.h"
#include "common/WholeFile.h"
#include "storage/IniValues.h"
#include "storage/MemIniFile.h"
#include "storage/SafeFile.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <unordered_map>

namespace vesk {

namespace {

const char* const SignatureSection = "SystemData";
const char* const SignatureEntry = "Signature";
const char* const MissingLine = "<N/A>";

// Lines a list may claim beyond the entries its section really has. A damaged
// count can then not make a load allocate without bound; a list with a few
// lost lines still reads them as "<N/A>".
constexpr std::size_t SpareListLines = 1000;

// Makes `ini` the open store for the lifetime of the scope.
class TOpenStore {
  public:
    TOpenStore(TMemIniFile*& slot, TMemIniFile& ini) : FSlot(slot), FPrevious(slot) { FSlot = &ini; }
    ~TOpenStore() { FSlot = FPrevious; }
    TOpenStore(const TOpenStore&) = delete;
    TOpenStore& operator=(const TOpenStore&) = delete;

  private:
    TMemIniFile*& FSlot;
    TMemIniFile* FPrevious;
};

bool IsOrdinal(TPropertyKind kind) {
    return kind == TPropertyKind::Integer || kind == TPropertyKind::Char ||
           kind == TPropertyKind::Enumeration;
}

// The file name with its extension replaced by `extension` (or appended when
// it has none; a leading dot of a hidden file is no extension).
std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
    const std::size_t slash = fileName.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return fileName + extension;
    return fileName.substr(0, dot) + extension;
}

} // namespace

void TAppDataStorage::CheckRegistry() const {
    if (FUseRegistry)
        throw Exception(
            "Registry storage is not available on this system; clear UseRegistry to use the file \"" +
                FFullFileName + "\"",
            TFailureKind::FileAccess);
}

bool TAppDataStorage::Load() {
    ExcludeList(); // builds the default list if none was given
    SortExcludeList();
    CheckRegistry();
    TMemIniFile ini(FFullFileName);
    TOpenStore open(FIniFile, ini);
    if (FUseSignature && !CheckSignature())
        throw Exception("Bad Data File Signature\n" + FFullFileName, TFailureKind::FileAccess);
    for (const TPublishedProperty& p : FOwner.PublishedProperties())
        if (IsSelected(p.Name)) ReadProperty(p);
    if (OnLoad) OnLoad(*this);
    return true;
}

bool TAppDataStorage::Save(bool keepOtherSections) {
    ExcludeList();
    SortExcludeList();
    CheckRegistry();
    if (FCreateBackup) CreateBackupFile(FFullFileName, false);
    // Without keeping other sections nothing of the old file survives, so it
    // need not (and, if unreadable, cannot) be read.
    TMemIniFile ini;
    if (keepOtherSections) ini = TMemIniFile(FFullFileName);
    FillIni(ini);
    if (FMakeFolder) {
        // The user's own folder is made at the first save; a failure shows in the write.
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(FFullFileName).parent_path(), ec);
    }
    ini.UpdateFile(FFullFileName);
    return true;
}

std::string TAppDataStorage::SaveText() {
    ExcludeList();
    SortExcludeList();
    TMemIniFile ini;
    FillIni(ini);
    return ini.Text();
}

void TAppDataStorage::FillIni(TMemIniFile& ini) {
    TOpenStore open(FIniFile, ini);
    if (FUseSignature) WriteSignature();
    for (const TPublishedProperty& p : FOwner.PublishedProperties())
        if (IsSelected(p.Name)) WriteProperty(p);
    if (OnSave) OnSave(*this);
}

void TAppDataStorage::ReadProperty(const TPublishedProperty& p) {
    const std::optional<std::string> text = FIniFile->Value(FSectionName, p.Name);
    if (IsOrdinal(p.Kind)) {
        if (!p.GetOrd || !p.SetOrd) return;
        std::optional<int32_t> value;
        if (text) value = TextToInt32(*text);
        p.SetOrd(value ? *value : p.GetOrd());
    } else if (p.Kind == TPropertyKind::Float) {
        if (!p.GetFloat || !p.SetFloat) return;
        std::optional<double> value;
        if (text) value = TextToFloat(*text);
        p.SetFloat(value ? *value : p.GetFloat());
    } else if (p.Kind == TPropertyKind::String) {
        if (!p.GetString || !p.SetString) return;
        // A missing entry keeps the current text as it is.
        p.SetString(text ? DecodeMultilineString(*text) : p.GetString());
    } else if (p.Kind == TPropertyKind::Object) {
        ReadClassData(p.Name, p);
    }
    // Method pointers and other kinds are not stored.
}

void TAppDataStorage::WriteProperty(const TPublishedProperty& p) {
    if (IsOrdinal(p.Kind)) {
        if (p.GetOrd) FIniFile->WriteString(FSectionName, p.Name, std::to_string(p.GetOrd()));
    } else if (p.Kind == TPropertyKind::Float) {
        if (p.GetFloat) FIniFile->WriteString(FSectionName, p.Name, FloatToText(p.GetFloat()));
    } else if (p.Kind == TPropertyKind::String) {
        if (p.GetString) FIniFile->WriteString(FSectionName, p.Name, EncodeMultilineString(p.GetString()));
    } else if (p.Kind == TPropertyKind::Object) {
        WriteClassData(p.Name, p);
    }
}

bool TAppDataStorage::WriteSignature() {
    if (FIniFile == nullptr) return false;
    FIniFile->WriteString(SignatureSection, SignatureEntry, FSignature);
    return true;
}

bool TAppDataStorage::CheckSignature() {
    if (FIniFile == nullptr) return false;
    return FIniFile->ReadString(SignatureSection, SignatureEntry, "") == FSignature;
}

bool TAppDataStorage::IniWriteStrings(const std::string& name, const std::vector<std::string>& lines) {
    if (FIniFile == nullptr) return false;
    FIniFile->WriteString(FSectionName, name, std::to_string(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i)
        FIniFile->WriteString(FSectionName, ListEntryName(name, i), lines[i]);
    return true;
}

bool TAppDataStorage::IniReadStrings(const std::string& name, std::vector<std::string>& lines) {
    if (FIniFile == nullptr) return false;
    std::optional<int32_t> count;
    if (auto text = FIniFile->Value(FSectionName, name)) count = TextToInt32(*text);
    std::size_t n = count && *count > 0 ? static_cast<std::size_t>(*count) : 0;

    // The section's entries by lower-case name (the first of equal names
    // counts), so that a long list reads in linear time.
    std::unordered_map<std::string, const std::string*> entries;
    for (const auto& s : FIniFile->Sections()) {
        if (!EqualNoCase(s.Name, FSectionName)) continue;
        for (const auto& [key, value] : s.Entries)
            entries.emplace(LowerCase(key), &value);
    }
    n = std::min(n, entries.size() + SpareListLines);

    lines.clear();
    lines.reserve(n);
    const std::string lowerName = LowerCase(name);
    for (std::size_t i = 0; i < n; ++i) {
        const auto it = entries.find(ListEntryName(lowerName, i));
        lines.push_back(it != entries.end() ? *it->second : std::string(MissingLine));
    }
    return true;
}

bool TAppDataStorage::WriteClassData(const std::string& name, const TPublishedProperty& property) {
    if (!property.IsStringList() || FIniFile == nullptr) return false;
    return IniWriteStrings(name, property.GetStrings());
}

bool TAppDataStorage::ReadClassData(const std::string& name, const TPublishedProperty& property) {
    if (!property.IsStringList() || FIniFile == nullptr) return false;
    std::vector<std::string> lines;
    IniReadStrings(name, lines);
    property.SetStrings(lines);
    return true;
}

void TAppDataStorage::CreateBackupFile(const std::string& fileName, bool deleteFile) {
    const std::string backup = ChangeFileExt(fileName, ".bak");
    if (backup == fileName) return;
    try {
        const std::optional<std::string> data = ReadWholeFile(fileName);
        if (!data) return; // nothing to keep yet
        WriteFileAtomically(backup, *data);
    } catch (const Exception&) {
        return; // a backup that cannot be made is skipped; the file stays
    }
    if (deleteFile) ::unlink(fileName.c_str());
}

} // namespace vesk
