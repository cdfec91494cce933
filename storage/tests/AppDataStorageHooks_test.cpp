// The owner's creation and destruction events.
#include "TestSupport.h"
#include "common/ProgramFolder.h"
#include "common/VESK_Exception.h"
#include "storage/SafeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
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

// An installed program's folder cannot be written: the user's own file is made at
// the first save, the one beside the program gives the starting values and stays
// as it was, and a save that fails is told to the listener.
TEST(StorageHooks, AnUnwritableFolderFallsBackToTheUsersOwnFile) {
    TTempFolder folder, user;
    const std::string beside = "[DIRUD]\nDelay=70\n";
    WriteText(folder / "WinVESK.ini", beside);
    ::chmod(user.Path().c_str(), 0777);
    ::setenv("XDG_CONFIG_HOME", user.Path().c_str(), 1);
    const auto run = [&](int32_t newDelay, std::string* failure) {
        TTestOwner owner("Window");
        TAppDataStorage storage(owner);
        ConfigureLikeWindow(storage, folder.Path());
        storage.SetActive(true);
        storage.SetUserFileFallback(true);
        if (failure) storage.OnSaveFailed = [failure](const std::string& message) { *failure = message; };
        storage.Loaded();
        owner.DoCreate();
        const int32_t loaded = owner.Delay;
        owner.Delay = newDelay;
        owner.DoDestroy();
        return loaded;
    };
    const bool ok = WithReadOnlyFolder(folder.Path(), [&] {
        if (run(71, nullptr) != 70) return false; // the starting values
        if (run(72, nullptr) != 71) return false; // the user's file from now on
        // The user's folder cannot be made: the listener hears of it, nothing changes.
        ::setenv("XDG_CONFIG_HOME", (folder / "WinVESK.ini").c_str(), 1);
        std::string failure;
        return run(73, &failure) == 70 && failure.find("WinVESK.ini") != std::string::npos;
    });
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadText(folder / "WinVESK.ini"), beside);
    EXPECT_NE(ReadText(user / "vesk/WinVESK.ini").find("Delay=72\n"), std::string::npos);
}
