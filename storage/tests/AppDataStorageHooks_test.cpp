// The owner's creation and destruction events.
#include "TestSupport.h"
#include "hexfile/VESK_Exception.h"
#include "storage/SafeFile.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vesk;
using namespace vesk::test;

namespace {

// An owner whose storage is one of its members, as in a real window.
class TWindow : public TTestOwner {
  public:
    TWindow(const std::string& folder, std::vector<std::string>* log, bool active = true)
        : TTestOwner("Window"), Storage(*this) {
        ConfigureLikeWindow(Storage, folder);
        Storage.SetActive(active);
        if (log != nullptr) {
            OnCreate = [log](TPublishedOwner&) { log->push_back("own create"); };
            OnDestroy = [log](TPublishedOwner&) { log->push_back("own destroy"); };
            Storage.OnLoad = [log](TAppDataStorage&) { log->push_back("load"); };
            Storage.OnSave = [log](TAppDataStorage&) { log->push_back("save"); };
        }
        Storage.Loaded();
        DoCreate();
    }
    ~TWindow() override { DoDestroy(); }

    TAppDataStorage Storage;
};

} // namespace

TEST(StorageHooks, CreationRunsTheOwnersHandlerThenLoadsDestructionSavesThenRunsIt) {
    TTempFolder folder;
    WriteText(folder / "WinVESK.ini", "[DIRUD]\nDelay=70\n");
    std::vector<std::string> log;
    {
        TWindow window(folder.Path(), &log);
        EXPECT_EQ(window.Delay, 70);
        window.Delay = 71;
    }
    EXPECT_EQ(log, (std::vector<std::string>{"own create", "load", "save", "own destroy"}));
    EXPECT_NE(ReadText(folder / "WinVESK.ini").find("Delay=71"), std::string::npos);
}

TEST(StorageHooks, AnInactiveStorageNeitherLoadsNorSaves) {
    TTempFolder folder;
    std::vector<std::string> log;
    { TWindow window(folder.Path(), &log, false); }
    EXPECT_EQ(log, (std::vector<std::string>{"own create", "own destroy"}));
    EXPECT_FALSE(std::filesystem::exists(folder / "WinVESK.ini"));
}

TEST(StorageHooks, LoadAndSaveFailuresAreSwallowed) {
    TTempFolder folder;
    WriteText(folder / "WinVESK.ini", "[DIRUD]\nDelay=70\n");
    std::vector<std::string> log;
    {
        TTestOwner owner("Window");
        TAppDataStorage storage(owner);
        ConfigureLikeWindow(storage, folder.Path());
        storage.SetActive(true);
        storage.SetUseSignature(true); // the file has none: the load is refused
        owner.OnDestroy = [&](TPublishedOwner&) { log.push_back("own destroy"); };
        storage.Loaded();
        owner.DoCreate();
        EXPECT_EQ(owner.Delay, 35);
        storage.SetFilePath(folder / "missing"); // the save cannot write
        owner.DoDestroy();
        owner.OnDestroy = nullptr;
    }
    EXPECT_EQ(log, std::vector<std::string>{"own destroy"});
}

TEST(StorageHooks, TheOwnersCreationErrorPropagatesAndNothingIsLoaded) {
    TTempFolder folder;
    WriteText(folder / "WinVESK.ini", "[DIRUD]\nDelay=70\n");
    TTestOwner owner;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    storage.SetActive(true);
    owner.OnCreate = [](TPublishedOwner&) { throw Exception("own failure"); };
    storage.Loaded();
    EXPECT_THROW(owner.DoCreate(), Exception);
    EXPECT_EQ(owner.Delay, 35);
}

TEST(StorageHooks, WithoutUseFilePathTheFileIsPlacedBesideTheProgram) {
    TTestOwner owner;
    TAppDataStorage storage(owner);
    storage.SetFileName("WinVESK.ini");
    storage.SetFilePath("/somewhere/else");
    storage.Loaded();
    owner.DoCreate();
    EXPECT_EQ(storage.FilePath(), ProgramFolder());
    EXPECT_EQ(storage.FileName(), "WinVESK.ini");
}

TEST(StorageHooks, DesignModeAndNonFormOwnersAreNotHooked) {
    struct TDesigning : TTestOwner {
        bool IsDesigning() const override { return true; }
    } designing;
    TAppDataStorage a(designing);
    a.Loaded();
    EXPECT_FALSE(designing.OnCreate);

    struct TPlainObject : TTestOwner {
        bool IsFormOrDataModule() const override { return false; }
    } plain;
    TAppDataStorage b(plain);
    b.Loaded();
    EXPECT_FALSE(plain.OnCreate);
}

TEST(StorageHooks, HookingTwiceLoadsOnce) {
    TTempFolder folder;
    int loads = 0;
    TTestOwner owner;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    storage.SetActive(true);
    storage.OnLoad = [&](TAppDataStorage&) { ++loads; };
    storage.Loaded();
    storage.Loaded();
    owner.DoCreate();
    EXPECT_EQ(loads, 1);
    owner.OnDestroy = nullptr;
}

TEST(StorageHooks, AStorageDestroyedBeforeItsOwnerOnlyPassesEventsOn) {
    TTempFolder folder;
    int destroyed = 0;
    TTestOwner owner;
    owner.OnDestroy = [&](TPublishedOwner&) { ++destroyed; };
    {
        auto storage = std::make_unique<TAppDataStorage>(owner);
        ConfigureLikeWindow(*storage, folder.Path());
        storage->SetActive(true);
        storage->Loaded();
    }
    owner.DoDestroy();
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(std::filesystem::exists(folder / "WinVESK.ini"));
    owner.OnDestroy = nullptr;
}
