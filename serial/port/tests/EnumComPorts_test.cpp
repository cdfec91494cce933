// The port list, read from a tty class tree made in a temporary folder.
#include "ComPort.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace vesk;
namespace fs = std::filesystem;

namespace {

struct FakeSysfs : ::testing::Test {
    vesk::test::TTempFolder folder;
    fs::path root = folder / "sys";
    void SetUp() override { fs::create_directories(root / "class" / "tty"); }
    // A tty entry; with a device when `device`, and a "type" file when type >= 0.
    void Tty(const std::string& name, bool device, int type = -1, const std::string& driver = "") {
        const fs::path entry = root / "class" / "tty" / name;
        fs::create_directories(entry);
        if (device) {
            fs::create_directories(entry / "device");
            if (!driver.empty()) {
                fs::create_directories(root / "drivers" / driver);
                fs::create_directory_symlink(root / "drivers" / driver, entry / "device" / "driver");
            }
        }
        if (type >= 0) std::ofstream(entry / "type") << type << "\n";
    }
};

} // namespace

TEST_F(FakeSysfs, ListsRealDevicesSortedCaseInsensitively) {
    Tty("console", false);
    Tty("tty1", false);
    Tty("ptmx", false);
    Tty("ttyUSB0", true);
    Tty("ttyacm9", true);
    Tty("ttyACM0", true);
    Tty("ttyS0", true, 4);
    Tty("ttyS1", true, 0); // 8250 placeholder without a UART
    Tty("ttyS10", true, 4);
    Tty("ttyS2", true, 4);
    Tty("ttyS3", true, -1, "serial8250"); // placeholder without a type file
    Tty("ttyS4", true, -1, "serial");     // a UART of another bus, no type file
    std::vector<std::string> list{"stale"};
    EnumComPorts(list, root.string());
    const std::vector<std::string> expected{"/dev/ttyACM0", "/dev/ttyacm9", "/dev/ttyS0",  "/dev/ttyS10",
                                            "/dev/ttyS2",   "/dev/ttyS4",   "/dev/ttyUSB0"};
    EXPECT_EQ(list, expected);
}

TEST_F(FakeSysfs, EmptyClassGivesAnEmptyList) {
    std::vector<std::string> list{"stale"};
    EnumComPorts(list, root.string());
    EXPECT_TRUE(list.empty());
}

TEST_F(FakeSysfs, UnreadableTreeRaisesRegistryErrorAndKeepsTheList) {
    std::vector<std::string> list{"kept"};
    try {
        EnumComPorts(list, (root / "missing").string());
        FAIL() << "no error";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), ErrRegistry);
        EXPECT_STREQ(e.what(), "Registry error: No such file or directory (error 2)");
    }
    EXPECT_EQ(list, std::vector<std::string>{"kept"});
}

TEST(EnumComPortsHere, ReadsTheRunningSystem) {
    std::vector<std::string> list;
    EXPECT_NO_THROW(EnumComPorts(list));
    for (const std::string& name : list)
        EXPECT_EQ(name.rfind("/dev/", 0), 0u) << name;
}
