// The settings table alone reads and writes the window's settings file: the values of
// a file the window wrote come back, and saved again they give the same bytes.
// (The window's own save of that file: app/tests/ProgrammingForm_test.cpp.)
#include "storage/SettingsTable.h"

#include "storage/AppDataStorage.h"
#include "storage/SettingsFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace vesk;

TEST(SettingsTable, ValuesReadAndWriteTheWindowsFileByteForByte) {
    const std::string golden =
        test::ReadText(std::string(VESK_SOURCE_DIR) + "/storage/tests/data/WinVESK_exit.ini");
    ASSERT_FALSE(golden.empty());
    test::TTempFolder folder;
    test::WriteText(folder.Path() + "WinVESK.ini", golden);
    TSettingValues values;
    LoadSettingValues(folder.Path() + "WinVESK.ini", values);
    EXPECT_EQ(values.Text(TSettingId::ComPort), "/dev/ttyUSB0");
    EXPECT_EQ(values.Number(TSettingId::ComReadTimeout), 750);
    EXPECT_EQ(values.Number(TSettingId::PassThroughEnter), 0);
    EXPECT_EQ(values.Lines(TSettingId::RecentFiles),
              (std::vector<std::string>{"/images/blink.hex", "/images/first.hex"}));
    EXPECT_EQ(values.Text(TSettingId::WindowPlace), "12,34");

    TAppDataStorage storage(values);
    SetUpSettingsFile(storage);
    EXPECT_EQ(storage.SaveText(), golden);
    EXPECT_EQ(test::ReadText(folder.Path() + "WinVESK.ini"), golden); // read, never written
}
