// Files, layout, selection of properties, signature, backup and failures.
#include "TestSupport.h"
#include "common/ProgramFolder.h"
#include "common/VESK_Exception.h"
#include "storage/SafeFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

TEST(AppDataStorage, DefaultsComeFromTheOwnersName) {
    TTestOwner owner("ProgrammingForm");
    TAppDataStorage storage(owner);
    EXPECT_EQ(storage.Prefix(), "Data_");
    EXPECT_EQ(storage.FileName(), "ProgrammingForm.Dat");
    EXPECT_EQ(storage.FilePath(), "");
    EXPECT_EQ(storage.FullFileName(), "ProgrammingForm.Dat");
    EXPECT_FALSE(storage.Active());
    EXPECT_EQ(storage.Signature(), "ProgrammingFormDataFileSignature");
    EXPECT_TRUE(storage.UseSignature());
    EXPECT_TRUE(storage.UsePrefix());
    EXPECT_FALSE(storage.UseFilePath());
    EXPECT_FALSE(storage.UseRegistry());
    EXPECT_EQ(storage.SectionName(), "AppData");
    EXPECT_TRUE(storage.CreateBackup());
}

TEST(AppDataStorage, FileNameAndFilePathAreViewsOfTheFullName) {
    TTestOwner owner;
    TAppDataStorage storage(owner);
    storage.SetFilePath("/opt/vesk");
    EXPECT_EQ(storage.FilePath(), "/opt/vesk/");
    EXPECT_EQ(storage.FullFileName(), "/opt/vesk/TestForm.Dat");
    storage.SetFileName("WinVESK.ini");
    EXPECT_EQ(storage.FullFileName(), "/opt/vesk/WinVESK.ini");
    storage.SetFilePath("/etc/");
    EXPECT_EQ(storage.FullFileName(), "/etc/WinVESK.ini");
    EXPECT_EQ(storage.FileName(), "WinVESK.ini");
    storage.SetFilePath("");
    EXPECT_EQ(storage.FullFileName(), "WinVESK.ini");
    EXPECT_EQ(TAppDataStorage::NormalizePath(""), "");
    EXPECT_EQ(TAppDataStorage::NormalizePath("a"), "a/");
    EXPECT_EQ(TAppDataStorage::NormalizePath("a/"), "a/");
}

TEST(AppDataStorage, ExpandPathResolvesAgainstABaseFolder) {
    EXPECT_EQ(TAppDataStorage::ExpandPath("x.ini", "/etc/vesk"), "/etc/vesk/x.ini");
    EXPECT_EQ(TAppDataStorage::ExpandPath("../x.ini", "/etc/vesk/"), "/etc/x.ini");
    EXPECT_EQ(TAppDataStorage::ExpandPath("/abs/x.ini", "/etc"), "/abs/x.ini");
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(TAppDataStorage::ExpandPath("x.ini", "conf"), ProgramFolder() + "conf/x.ini");
    EXPECT_EQ(std::filesystem::current_path().string(), cwd);
}

TEST(AppDataStorage, SavesTheSelectedPropertiesInTheOwnersOrder) {
    TTempFolder folder;
    TTestOwner owner;
    owner.Recent = {"/a.hex", "/b.hex"};
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    EXPECT_TRUE(storage.Save(false));
    EXPECT_EQ(ReadText(folder / "WinVESK.ini"), "[DIRUD]\n"
                                                "Delay=35\n"
                                                "Verify=0\n"
                                                "Letter=65\n"
                                                "Parity=2\n"
                                                "Ratio=1.5\n"
                                                "Text=hello\n"
                                                "Recent=2\n"
                                                "Recent000=/a.hex\n"
                                                "Recent001=/b.hex\n"
                                                "Data_Port=4\n"
                                                "\n");
}

TEST(AppDataStorage, LoadRestoresWhatSaveWrote) {
    TTempFolder folder;
    {
        TTestOwner owner;
        owner.Delay = 99;
        owner.Verify = true;
        owner.Letter = 'z';
        owner.Parity = 0;
        owner.Ratio = -0.125;
        owner.Text = "C:/x y/z.hex";
        owner.Recent = {"one", "", "three"};
        TAppDataStorage storage(owner);
        ConfigureLikeWindow(storage, folder.Path());
        storage.Save(false);
    }
    TTestOwner owner;
    owner.Recent = {"stale"};
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    EXPECT_TRUE(storage.Load());
    EXPECT_EQ(owner.Delay, 99);
    EXPECT_TRUE(owner.Verify);
    EXPECT_EQ(owner.Letter, 'z');
    EXPECT_EQ(owner.Parity, 0);
    EXPECT_EQ(owner.Ratio, -0.125);
    EXPECT_EQ(owner.Text, "C:/x y/z.hex");
    EXPECT_EQ(owner.Recent, (std::vector<std::string>{"one", "", "three"}));
    EXPECT_EQ(owner.Caption, "Form"); // excluded, never written
}

TEST(AppDataStorage, FirstRunWithoutAFileKeepsScalarsAndEmptiesLists) {
    TTempFolder folder;
    TTestOwner owner;
    owner.Delay = 12;
    owner.Text = "keep\\nme"; // a missing entry keeps the text exactly
    owner.Recent = {"x"};
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    EXPECT_TRUE(storage.Load());
    EXPECT_EQ(owner.Delay, 12);
    EXPECT_EQ(owner.Text, "keep\\nme");
    EXPECT_TRUE(owner.Recent.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "WinVESK.ini")); // loading writes nothing

    storage.Save(false);
    const std::string text = ReadText(folder / "WinVESK.ini");
    EXPECT_EQ(text.rfind("[DIRUD]\n", 0), 0u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '['), 1);
}

TEST(AppDataStorage, TheAutomaticSaveDropsOtherSectionsAKeepingSaveLeavesThem) {
    TTempFolder folder;
    const std::string old = "[Extra]\nA=1\n\n[DIRUD]\nGone=5\nDelay=1\n\n";
    TTestOwner owner;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());

    WriteText(folder / "WinVESK.ini", old);
    storage.Save(true);
    std::string text = ReadText(folder / "WinVESK.ini");
    EXPECT_EQ(text.rfind("[Extra]\nA=1\n\n[DIRUD]\nGone=5\nDelay=35\nVerify=0\n", 0), 0u) << text;

    WriteText(folder / "WinVESK.ini", old);
    storage.Save(false);
    text = ReadText(folder / "WinVESK.ini");
    EXPECT_EQ(text.find("Extra"), std::string::npos);
    EXPECT_EQ(text.find("Gone"), std::string::npos);
}

TEST(AppDataStorage, WithAPrefixOnlyPrefixedNamesAreKept) {
    TTempFolder folder;
    TTestOwner owner;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    storage.SetUsePrefix(true);
    storage.SetExcludeList({"Data_Port"}); // not consulted with a prefix
    storage.Save(false);
    EXPECT_EQ(ReadText(folder / "WinVESK.ini"), "[DIRUD]\nData_Port=4\n\n");

    WriteText(folder / "WinVESK.ini", "[DIRUD]\nData_Port=7\nDelay=1\n");
    storage.Load();
    EXPECT_EQ(owner.Data_Port, 7);
    EXPECT_EQ(owner.Delay, 35);
}

TEST(AppDataStorage, TheExclusionListIsSortedAndMatchesWithoutRegardToCase) {
    TTempFolder folder;
    TTestOwner owner;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    storage.SetExcludeList({"verify", "Caption", "LEFT", "ratio", "Recent", "Text", "Letter", "Parity"});
    EXPECT_EQ(storage.ExcludeList(), (std::vector<std::string>{"Caption", "LEFT", "Letter", "Parity", "ratio",
                                                               "Recent", "Text", "verify"}));
    storage.Save(false);
    EXPECT_EQ(ReadText(folder / "WinVESK.ini"), "[DIRUD]\nDelay=35\nData_Port=4\n\n");
}

TEST(AppDataStorage, TheDefaultExclusionListNamesEveryPropertyButEvents) {
    TTestOwner owner;
    TAppDataStorage storage(owner);
    EXPECT_EQ(storage.ExcludeList(),
              (std::vector<std::string>{"Big", "Caption", "Data_Port", "Delay", "Font", "Left", "Letter",
                                        "Parity", "Ratio", "Recent", "Text", "Verify"}));
    storage.SetExcludeList({});
    storage.BuildDefaultExcludeList();
    EXPECT_EQ(storage.ExcludeList().size(), 12u);
}

TEST(AppDataStorage, TheSignatureIsWrittenAndAForeignFileIsRefused) {
    TTempFolder folder;
    TTestOwner owner;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    storage.SetUseSignature(true);
    storage.SetExcludeList(
        {"Caption", "Left", "Verify", "Letter", "Parity", "Ratio", "Text", "Recent", "Data_Port"});
    storage.Save(false);
    EXPECT_EQ(ReadText(folder / "WinVESK.ini"),
              "[SystemData]\nSignature=TestFormDataFileSignature\n\n[DIRUD]\nDelay=35\n\n");
    owner.Delay = 1;
    EXPECT_TRUE(storage.Load());
    EXPECT_EQ(owner.Delay, 35);

    for (const std::string bad : {"[SystemData]\nSignature=OtherFormDataFileSignature\n[DIRUD]\nDelay=9\n",
                                  "[SystemData]\nSignature=testformdatafilesignature\n[DIRUD]\nDelay=9\n",
                                  "[DIRUD]\nDelay=9\n", ""}) {
        WriteText(folder / "WinVESK.ini", bad);
        try {
            storage.Load();
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Bad Data File Signature\n" + (folder / "WinVESK.ini"));
        }
        EXPECT_EQ(owner.Delay, 35);
    }
}

TEST(AppDataStorage, ABackupCopyKeepsThePreviousContents) {
    TTempFolder folder;
    TTestOwner owner;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    storage.SetCreateBackup(true);
    storage.Save(false); // no file yet: no backup, no error
    EXPECT_FALSE(std::filesystem::exists(folder / "WinVESK.bak"));
    const std::string first = ReadText(folder / "WinVESK.ini");
    owner.Delay = 77;
    storage.Save(false);
    EXPECT_EQ(ReadText(folder / "WinVESK.bak"), first);
    EXPECT_NE(ReadText(folder / "WinVESK.ini"), first);

    WriteText(folder / "plain", "p");
    TAppDataStorage::CreateBackupFile(folder / "plain", true);
    EXPECT_EQ(ReadText(folder / "plain.bak"), "p");
    EXPECT_FALSE(std::filesystem::exists(folder / "plain"));
    TAppDataStorage::CreateBackupFile(folder / "missing.ini", true); // ignored
    EXPECT_FALSE(std::filesystem::exists(folder / "missing.bak"));
}

TEST(AppDataStorage, ASaveThatCannotWriteRaisesAndTheOldFileStays) {
    TTempFolder folder;
    TTestOwner owner;
    owner.Delay = 6;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    storage.SetCreateBackup(true);
    const std::string old = "[DIRUD]\nDelay=5\n\n";
    WriteText(folder / "WinVESK.ini", old);
    ::chmod((folder / "WinVESK.ini").c_str(), 0644);
    const bool raised = WithReadOnlyFolder(folder.Path(), [&] {
        try {
            storage.Save(false);
        } catch (const Exception&) {
            return true;
        }
        return false;
    });
    EXPECT_TRUE(raised);
    EXPECT_EQ(ReadText(folder / "WinVESK.ini"), old);
    EXPECT_FALSE(std::filesystem::exists(folder / "WinVESK.bak"));
}

TEST(AppDataStorage, ASaveIntoAMissingFolderRaises) {
    TTempFolder folder;
    TTestOwner owner;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder / "missing");
    EXPECT_THROW(storage.Save(false), Exception);
}

TEST(AppDataStorage, RegistryStorageIsRefusedWithAClearError) {
    TTempFolder folder;
    TTestOwner owner;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    storage.SetUseRegistry(true);
    EXPECT_THROW(storage.Load(), Exception);
    EXPECT_THROW(storage.Save(false), Exception);
    EXPECT_FALSE(std::filesystem::exists(folder / "WinVESK.ini"));
}

TEST(AppDataStorage, ATruncatedOrBinaryFileLoadsWhatIsReadable) {
    TTempFolder folder;
    TTestOwner owner;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    WriteText(folder / "WinVESK.ini", "[DIRUD]\nDelay=61\nText=ab");
    storage.Load();
    EXPECT_EQ(owner.Delay, 61);
    EXPECT_EQ(owner.Text, "ab");
    WriteText(folder / "WinVESK.ini", std::string("\x7f"
                                                  "ELF\0\0\n[DIRUD]\nDelay=62\n\xff\xfe\0=\n",
                                                  27));
    storage.Load();
    EXPECT_EQ(owner.Delay, 62);
    WriteText(folder / "WinVESK.ini", "[DIRUD]\nRecent=2000000000\nRecent000=x\n");
    storage.Load(); // a damaged count does not exhaust memory
    ASSERT_LE(owner.Recent.size(), 1002u);
    EXPECT_EQ(owner.Recent[0], "x");
    EXPECT_EQ(owner.Recent[1], "<N/A>");
}

TEST(AppDataStorage, AnUnreadableFileRaisesOnLoad) {
    TTempFolder folder;
    TTestOwner owner;
    TAppDataStorage storage(owner);
    ConfigureLikeWindow(storage, folder.Path());
    std::filesystem::create_directory(folder / "WinVESK.ini");
    EXPECT_THROW(storage.Load(), Exception);
}

TEST(AppDataStorage, PropertiesByName) {
    TTestOwner owner;
    TAppDataStorage storage(owner);
    EXPECT_EQ(storage.GetPropertyString("text"), "hello");
    EXPECT_EQ(storage.GetPropertyString("Nothing"), "");
    EXPECT_EQ(storage.GetPropertyString("Delay"), ""); // not a string
    EXPECT_EQ(storage.GetPropertyOrd("DELAY"), 35);
    EXPECT_EQ(storage.GetPropertyOrd("Verify"), 0);
    EXPECT_EQ(storage.GetPropertyOrd("Nothing"), 0);
    storage.SetPropertyString("Text", "new");
    storage.SetPropertyOrd("Verify", 1);
    storage.SetPropertyOrd("Nothing", 3);
    storage.SetPropertyString("Delay", "9");
    EXPECT_EQ(owner.Text, "new");
    EXPECT_TRUE(owner.Verify);
    EXPECT_EQ(owner.Delay, 35);
}
