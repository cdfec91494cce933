// TAppDataStorage: keeps the published properties of its owner in an INI file.
//
// Placed in an owner (see PublishedOwner.h) and hooked to its creation and
// destruction events by `Loaded()`, it loads the owner's settings when the owner
// is created and writes them back when the owner is destroyed. Which properties
// are kept is decided by name: every property not in `ExcludeList`, or with
// `UsePrefix` every property whose name begins with `Prefix`.
//
// File layout: "[Section]" lines, each followed by its "Name=Value" entries and
// one empty line; sections in the order they were created. Names match without
// regard to case. Lines before the first section, empty lines, lines starting
// with ";" and lines that are neither a section nor an entry are ignored.
// The storage's section holds one entry per kept property in the owner's order;
// with `UseSignature` a section "SystemData" holds "Signature=<Signature>".
// A string list property N is stored as N=<count> and N000, N001, ... N999,
// N1000 ... holding its lines.
//
// Values: integers, characters and enumerations (bool 0 or 1) as decimal
// numbers, read back also as "0x" hexadecimal; floating point numbers as the
// shortest text that reads back exactly, with "." as decimal point ("," is
// accepted on reading); texts with line breaks written as the two characters
// "\n" and read back as CR LF (so a text that already held a backslash
// followed by "n" comes back with a line break there). A missing or
// unreadable number leaves the property's value as it was; a missing text
// keeps the current text. Blanks
// at either end of a value are not kept (the file may be edited by hand).
// String list lines are written as they are, except that a line break inside
// a line is written as "\n" (and read back so) to keep the file's structure.
//
// Saving never damages the previous file: the new contents go to a temporary
// file in the same folder, are flushed to disk and then renamed over the old
// file in one step. A failure raises `vesk::Exception` and leaves the old file
// as it was.
//
// Registry storage (`UseRegistry`) does not exist on this platform: the flag is
// kept, but `Load` and `Save` raise an error while it is set.
#pragma once

#include "storage/PublishedOwner.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vesk {

class TMemIniFile;
class TAppDataStorage;

// OnLoad and OnSave; the sender is the storage.
using TStorageEvent = std::function<void(TAppDataStorage& Sender)>;

class TAppDataStorage {
  public:
    // Defaults: Prefix "Data_", FileName = owner's name + ".Dat" with no folder,
    // Active false, Signature = owner's name + "DataFileSignature",
    // UseSignature true, UsePrefix true, UseFilePath false, UseRegistry false,
    // SectionName "AppData", CreateBackup true. The exclusion list defaults to
    // `BuildDefaultExcludeList()`, built when first needed unless a list was
    // assigned before. The constructor does not call the owner's virtual
    // functions, so the storage may be a member of its owner.
    explicit TAppDataStorage(TPublishedOwner& owner);
    ~TAppDataStorage();
    TAppDataStorage(const TAppDataStorage&) = delete;
    TAppDataStorage& operator=(const TAppDataStorage&) = delete;

    TPublishedOwner& Owner() const { return FOwner; }

    // ---- Properties -------------------------------------------------------
    const std::string& Prefix() const { return FPrefix; }
    void SetPrefix(std::string value) { FPrefix = std::move(value); }

    // Name part of the full file name; setting it keeps the folder.
    std::string FileName() const;
    void SetFileName(const std::string& value);
    // Folder part, ending in "/" when not empty; setting it keeps the name.
    std::string FilePath() const;
    void SetFilePath(const std::string& value);
    // Folder plus name.
    const std::string& FullFileName() const { return FFullFileName; }

    // Load on owner creation and save on owner destruction.
    bool Active() const { return FActive; }
    void SetActive(bool value) { FActive = value; }

    const std::string& Signature() const { return FSignature; }
    void SetSignature(std::string value) { FSignature = std::move(value); }
    bool UseSignature() const { return FUseSignature; }
    void SetUseSignature(bool value) { FUseSignature = value; }

    bool UsePrefix() const { return FUsePrefix; }
    void SetUsePrefix(bool value) { FUsePrefix = value; }

    // Keep FilePath as set instead of placing the file beside the program.
    bool UseFilePath() const { return FUseFilePath; }
    void SetUseFilePath(bool value) { FUseFilePath = value; }

    // Not available here: Load and Save raise while it is set.
    bool UseRegistry() const { return FUseRegistry; }
    void SetUseRegistry(bool value) { FUseRegistry = value; }

    const std::string& SectionName() const { return FSectionName; }
    void SetSectionName(std::string value) { FSectionName = std::move(value); }

    // Names not to store, kept sorted (without regard to case).
    const std::vector<std::string>& ExcludeList();
    void SetExcludeList(std::vector<std::string> names);

    // Where the file's folder cannot be written (an installed program), load
    // and save the user's own file instead (see SettingsPlace.h). Applied when
    // the owner is created.
    bool UserFileFallback() const { return FUserFileFallback; }
    void SetUserFileFallback(bool value) { FUserFileFallback = value; }
    bool CreateBackup() const { return FCreateBackup; }
    void SetCreateBackup(bool value) { FCreateBackup = value; }

    // Called after a successful load / after all values are set, before the
    // file is written. IniWriteStrings and IniReadStrings may be used inside.
    TStorageEvent OnLoad;
    TStorageEvent OnSave;
    // Called with the message when the save at the owner's destruction fails
    // (the failure itself is not passed on).
    std::function<void(const std::string& message)> OnSaveFailed;

    // ---- Operations -------------------------------------------------------
    // Reads the file into the owner's properties. Returns true; raises
    // `vesk::Exception` on a bad signature, an unreadable file or UseRegistry.
    bool Load();
    // Writes the owner's properties. With keepOtherSections false every section
    // already in the file is dropped first. Returns true; raises on failure,
    // leaving the old file untouched.
    bool Save(bool keepOtherSections);
    // The file's text that Save(false) would write now; nothing is written.
    std::string SaveText();

    // Hooks the owner's creation and destruction events (forms and data modules,
    // not in design mode). A second call does nothing.
    void Loaded();
    // The installed handlers. FormCreate: the previous handler first (its errors
    // propagate), then, silently guarded, the file is placed and loaded if Active.
    // FormDestroy: if Active, Save(false) silently guarded, then the previous
    // handler.
    void FormCreate(TPublishedOwner& sender);
    void FormDestroy(TPublishedOwner& sender);

    // Fills ExcludeList with every property of the owner that is not a method
    // pointer, sorted.
    void BuildDefaultExcludeList();

    // Copies `fileName` to the same name with the extension ".bak"; with
    // `deleteFile` the file is then deleted (only when the copy succeeded).
    // Failures are ignored.
    static void CreateBackupFile(const std::string& fileName, bool deleteFile);

    // CR LF pairs become the two characters "\n"; a lone CR or LF also becomes
    // "\n", so that no line break ever reaches the file.
    static std::string EncodeMultilineString(const std::string& text);
    // Every "\n" pair becomes CR LF.
    static std::string DecodeMultilineString(const std::string& text);

    // Appends "/" to a non-empty text not ending in "/".
    static std::string NormalizePath(const std::string& path);
    // `path` made absolute against `base`; a relative `base` is taken from the
    // program's folder. The current folder of the process is not touched.
    static std::string ExpandPath(const std::string& path, const std::string& base);

    // One property of the owner by name (without regard to case). Unknown names
    // and properties of another kind read as "" / 0 and are not written.
    std::string GetPropertyString(const std::string& name);
    void SetPropertyString(const std::string& name, const std::string& value);
    int32_t GetPropertyOrd(const std::string& name);
    void SetPropertyOrd(const std::string& name, int32_t value);

    // The following work on the file opened by a running Load or Save (inside
    // OnLoad / OnSave); outside one they do nothing and return false.
    bool WriteSignature();
    // True when the signature entry equals Signature (case-sensitive); a
    // missing entry reads as empty.
    bool CheckSignature();
    bool IniWriteStrings(const std::string& name, const std::vector<std::string>& lines);
    bool IniReadStrings(const std::string& name, std::vector<std::string>& lines);
    // True when the property is a string list and was written / read.
    bool WriteClassData(const std::string& name, const TPublishedProperty& property);
    bool ReadClassData(const std::string& name, const TPublishedProperty& property);

  private:
    bool IsSelected(const std::string& propertyName);
    void SortExcludeList();
    void CheckRegistry() const;
    void PlaceFile();
    void FillIni(TMemIniFile& ini);
    void ReadProperty(const TPublishedProperty& property);
    void WriteProperty(const TPublishedProperty& property);

    TPublishedOwner& FOwner;
    std::string FPrefix;
    std::string FFullFileName;
    bool FActive = false;
    bool FUserFileFallback = false;
    bool FMakeFolder = false; // the user's folder is made at the first save
    std::string FSignature;
    bool FUseSignature = true;
    bool FUsePrefix = true;
    bool FUseFilePath = false;
    bool FUseRegistry = false;
    std::string FSectionName;
    std::vector<std::string> FExcludeList;
    bool FExcludeListPending = true; // default list not built yet
    bool FCreateBackup = true;

    TMemIniFile* FIniFile = nullptr; // open only while Load or Save runs
    bool FHooked = false;
    TOwnerEvent FOldCreate;
    TOwnerEvent FOldDestroy;
    // Shared with the installed handlers, which stop calling into a destroyed
    // storage and then only pass the event on to the previous handler.
    std::shared_ptr<TAppDataStorage*> FSelf;
};

} // namespace vesk
