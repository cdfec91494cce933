// How each kind of property is written and read back.
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

class Kinds : public ::testing::Test {
  protected:
    void SetUp() override { ConfigureLikeWindow(Storage, Folder.Path()); }
    std::string File() const { return Folder / "WinVESK.ini"; }
    void Load(const std::string& section) {
        WriteText(File(), "[DIRUD]\n" + section);
        Storage.Load();
    }

    TTempFolder Folder;
    TTestOwner Owner;
    TAppDataStorage Storage{Owner};
};

} // namespace

TEST(MultilineString, LineBreaksBecomeBackslashN) {
    EXPECT_EQ(TAppDataStorage::EncodeMultilineString("a\r\nb"), "a\\nb");
    EXPECT_EQ(TAppDataStorage::EncodeMultilineString("a\r\n\r\nb\r\n"), "a\\n\\nb\\n");
    EXPECT_EQ(TAppDataStorage::EncodeMultilineString("a\nb\rc"), "a\\nb\\nc"); // bare breaks too
    EXPECT_EQ(TAppDataStorage::DecodeMultilineString("a\\nb"), "a\r\nb");
    EXPECT_EQ(TAppDataStorage::DecodeMultilineString("a\\Nb\\"), "a\\Nb\\"); // case-sensitive
}

TEST_F(Kinds, ATwoLineTextIsStoredAsOneValueAndReadBackAsTwoLines) {
    Owner.Text = "a\r\nb";
    Storage.Save(false);
    EXPECT_NE(ReadText(File()).find("\nText=a\\nb\n"), std::string::npos);
    Owner.Text.clear();
    Storage.Load();
    EXPECT_EQ(Owner.Text, "a\r\nb");
}

TEST_F(Kinds, ATextHoldingBackslashNComesBackWithALineBreak) {
    Owner.Text = "C:\\new\\x.hex";
    Storage.Save(false);
    Storage.Load();
    EXPECT_EQ(Owner.Text, "C:\r\new\\x.hex");
}

TEST_F(Kinds, ABareLineBreakCannotSplitTheEntry) {
    Owner.Text = "a\nDelay=1";
    Storage.Save(false);
    Owner.Delay = 50;
    Storage.Load();
    EXPECT_EQ(Owner.Delay, 35);
    EXPECT_EQ(Owner.Text, "a\r\nDelay=1");
}

TEST_F(Kinds, BlanksAroundAValueAreNotKept) {
    Load("  Text =  padded value\t\r\n");
    EXPECT_EQ(Owner.Text, "padded value");
}

TEST_F(Kinds, AnEmptyListWritesOnlyItsCount) {
    Storage.Save(false);
    const std::string text = ReadText(File());
    EXPECT_NE(text.find("\nRecent=0\nData_Port="), std::string::npos) << text;
}

TEST_F(Kinds, AMissingListLineReadsAsNotAvailable) {
    Load("Recent=3\nRecent000=first\nRecent002=third\n");
    EXPECT_EQ(Owner.Recent, (std::vector<std::string>{"first", "<N/A>", "third"}));
    Load("Recent=3\nRecent000=first\nRecent001=second\n");
    EXPECT_EQ(Owner.Recent, (std::vector<std::string>{"first", "second", "<N/A>"}));
    Load("recent=1\nRECENT000=any case\n");
    EXPECT_EQ(Owner.Recent, std::vector<std::string>{"any case"});
    Load("Recent=-4\nRecent000=x\n");
    EXPECT_TRUE(Owner.Recent.empty());
    Load("Recent=zz\n");
    EXPECT_TRUE(Owner.Recent.empty());
}

TEST_F(Kinds, ListLineOneThousandHasFourDigits) {
    for (int i = 0; i < 1001; ++i)
        Owner.Recent.push_back("line " + std::to_string(i));
    Storage.Save(false);
    const std::string text = ReadText(File());
    EXPECT_NE(text.find("\nRecent=1001\n"), std::string::npos);
    EXPECT_NE(text.find("\nRecent999=line 999\nRecent1000=line 1000\n"), std::string::npos);
    const auto saved = Owner.Recent;
    Owner.Recent.clear();
    Storage.Load();
    EXPECT_EQ(Owner.Recent, saved);
}

TEST_F(Kinds, ListLinesAreNotDecodedAndCannotBreakTheFile) {
    Owner.Recent = {"C:\\new\\a.hex", "two\nlines"};
    Storage.Save(false);
    Storage.Load();
    EXPECT_EQ(Owner.Recent, (std::vector<std::string>{"C:\\new\\a.hex", "two\\nlines"}));
}

TEST_F(Kinds, HexadecimalIntegersAreRead) {
    Load("Delay=0x1F\nParity=0X01\nLetter=0x61\nVerify=0x1\n");
    EXPECT_EQ(Owner.Delay, 31);
    EXPECT_EQ(Owner.Parity, 1);
    EXPECT_EQ(Owner.Letter, 'a');
    EXPECT_TRUE(Owner.Verify);
}

TEST_F(Kinds, UnreadableOrMissingNumbersKeepTheCurrentValue) {
    Owner.Delay = 11;
    Owner.Ratio = 2.5;
    Owner.Verify = true;
    Load("Delay=eleven\nRatio=\nVerify=yes\nData_Port=99999999999\n");
    EXPECT_EQ(Owner.Delay, 11);
    EXPECT_EQ(Owner.Ratio, 2.5);
    EXPECT_TRUE(Owner.Verify);
    EXPECT_EQ(Owner.Data_Port, 4);
    Load("Ratio=0,75\nDelay= -3 \n");
    EXPECT_EQ(Owner.Ratio, 0.75);
    EXPECT_EQ(Owner.Delay, -3);
}

TEST_F(Kinds, ObjectsOtherThanListsAndIgnoredKindsAreNeitherWrittenNorRead) {
    Storage.Save(false);
    const std::string text = ReadText(File());
    EXPECT_EQ(text.find("Font"), std::string::npos);
    EXPECT_EQ(text.find("Big"), std::string::npos);
    EXPECT_EQ(text.find("OnClick"), std::string::npos);
    Load("Big=9\nFont=x\n");
    EXPECT_EQ(Owner.Big, 7);
}

TEST_F(Kinds, LoadedValuesPassThroughForwardingSetters) {
    TForwardTarget driver;
    Owner.Target = &driver;
    Load("ComPort=/dev/ttyUSB0\n");
    EXPECT_EQ(driver.Port, "/dev/ttyUSB0");
    Storage.Save(false);
    EXPECT_NE(ReadText(File()).find("\nComPort=/dev/ttyUSB0\n"), std::string::npos);
    Owner.Target = nullptr;
}

TEST_F(Kinds, OnLoadAndOnSaveRunWithTheFileOpen) {
    std::vector<std::string> extra;
    Storage.OnSave = [&](TAppDataStorage& sender) {
        EXPECT_EQ(&sender, &Storage);
        sender.IniWriteStrings("Extra", {"x", "y"});
    };
    Storage.OnLoad = [&](TAppDataStorage& sender) { sender.IniReadStrings("Extra", extra); };
    Storage.Save(false);
    EXPECT_NE(ReadText(File()).find("Data_Port=4\nExtra=2\nExtra000=x\nExtra001=y\n"), std::string::npos);
    Storage.Load();
    EXPECT_EQ(extra, (std::vector<std::string>{"x", "y"}));
    // Outside a load or save there is no open file.
    EXPECT_FALSE(Storage.IniWriteStrings("Extra", {}));
    EXPECT_FALSE(Storage.IniReadStrings("Extra", extra));
    EXPECT_FALSE(Storage.WriteSignature());
    EXPECT_FALSE(Storage.CheckSignature());
}
