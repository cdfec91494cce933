#include "storage/SettingsFile.h"

#include "storage/AppDataStorage.h"

namespace vesk {

void SetUpSettingsFile(TAppDataStorage& storage) {
    storage.SetFileName(SettingsFileName);
    storage.SetSectionName(SettingsSectionName);
    storage.SetUseSignature(false);
    storage.SetUsePrefix(false);
    storage.SetCreateBackup(false);
    storage.SetExcludeList({});
}

} // namespace vesk
