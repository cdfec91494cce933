// The Windows serial port: names, error texts, the registry port list, and a real
// exchange with the programmer simulator on the COM port named by VESK_TEST_COM_PORT
// (scripts/windows-test links it to the simulator's pseudo-terminal under Wine).
#include "serial/port/ComPort.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace vesk {
namespace {

using Clock = std::chrono::steady_clock;

TEST(ComPortWin, PortNamesAreOpenedInTheDeviceNamespaceAsGiven) {
    EXPECT_EQ(ComPortDevicePath("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(ComPortDevicePath("COM10"), "\\\\.\\COM10");
    EXPECT_EQ(ComPortDevicePath("\\\\.\\COM7"), "\\\\.\\COM7");
    TComPort port;
    EXPECT_EQ(port.Port(), "COM1");
}

TEST(ComPortWin, ErrorTextsCarryTheWindowsErrorCode) {
    EXPECT_EQ(EComPort(ErrOpen, 2).Message(), "Unable to open com port (win error code: 2)");
    EXPECT_EQ(EComPort(ErrRegistry, 2).Message(), "Registry error (win error code: 2)");
    EXPECT_EQ(EComPort(ErrConnected).Message(), "Cannot set property while connected");
}

TEST(ComPortWin, AMissingPortFailsToOpenWithFileNotFoundAndStaysClosed) {
    TComPort port;
    port.SetPort("COM97");
    try {
        port.Open();
        FAIL() << "opened a port that does not exist";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), ErrOpen);
        EXPECT_EQ(e.WinCode(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(e.Message(), "Unable to open com port (win error code: 2)");
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Handle(), -1);
}

TEST(ComPortWin, OperationsOnAClosedPortRaiseTheirCodeWithInvalidHandle) {
    TComPort port;
    char byte = 0;
    try {
        port.Read(&byte, 1);
        FAIL();
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), ErrRead);
        EXPECT_EQ(e.WinCode(), ERROR_INVALID_HANDLE);
    }
    EXPECT_THROW(port.InputCount(), EComPort);
}

// A key of the test's own, removed at scope end.
class TTestKey {
  public:
    explicit TTestKey(const std::string& path) : FPath(path) {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, FPath.c_str());
        EXPECT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, FPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &FKey, nullptr),
                  ERROR_SUCCESS);
    }
    ~TTestKey() {
        ::RegCloseKey(FKey);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, FPath.c_str());
    }
    void Set(const std::string& name, const std::string& data) {
        ::RegSetValueExA(FKey, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         DWORD(data.size() + 1));
    }

  private:
    std::string FPath;
    HKEY FKey = nullptr;
};

TEST(ComPortWin, TheRegistryListIsSortedCaseInsensitively) {
    const std::string path = "Software\\VESK-test\\SERIALCOMM-" + std::to_string(::GetCurrentProcessId());
    TTestKey key(path);
    key.Set("\\Device\\Serial1", "COM2");
    key.Set("\\Device\\Serial9", "COM10");
    key.Set("\\Device\\Serial0", "COM1");
    key.Set("\\Device\\VCP0", "com3");
    std::vector<std::string> list{"stale"};
    EnumComPorts(list, "HKEY_CURRENT_USER\\" + path);
    EXPECT_EQ(list, (std::vector<std::string>{"COM1", "COM10", "COM2", "com3"}));
}

TEST(ComPortWin, AMissingRegistryKeyRaisesRegistryErrorAndLeavesTheList) {
    std::vector<std::string> list{"COM4"};
    try {
        EnumComPorts(list, "HKEY_CURRENT_USER\\Software\\VESK-test\\no such key");
        FAIL();
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), ErrRegistry);
        EXPECT_EQ(e.Message(), "Registry error (win error code: 2)");
    }
    EXPECT_EQ(list, std::vector<std::string>{"COM4"});
}

TEST(ComPortWin, TheSystemListReadsTheSerialCommKey) {
    std::vector<std::string> list;
    try {
        EnumComPorts(list);
    } catch (const EComPort& e) {
        // A machine that never had a serial port has no key at all.
        EXPECT_EQ(e.Code(), ErrRegistry);
    }
    for (const std::string& name : list)
        EXPECT_FALSE(name.empty());
}

// The simulator on the port named by VESK_TEST_COM_PORT, just started: it wakes
// at 19200 bit/s and answers the synchronisation byte 0xFF with '?'.
class ComPortSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* name = std::getenv("VESK_TEST_COM_PORT");
        if (!name || !*name) GTEST_SKIP() << "VESK_TEST_COM_PORT names no simulator port";
        Port.SetPort(name);
        Port.SetBaudRate(brCustom);
        Port.SetCustomBaudRate(19200);
        Port.Open();
    }
    TComPort Port;
};

TEST_F(ComPortSimulator, ReadReturnsAtOnceAndTheWaitEndsAtItsDeadline) {
    Port.ClearBuffer(true, true);
    char byte = 0;
    EXPECT_EQ(Port.Read(&byte, 1), 0);
    EXPECT_EQ(Port.InputCount(), 0);
    const auto start = Clock::now();
    EXPECT_FALSE(Port.WaitForInput(start + std::chrono::milliseconds(60)));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(60));
}

TEST_F(ComPortSimulator, TheWakeUpIsAnsweredAndEveryByteEchoed) {
    Port.ClearBuffer(true, true);
    Port.SetBreak(true);
    ::Sleep(100);
    Port.SetBreak(false);
    const char sync = char(0xFF);
    ASSERT_EQ(Port.Write(&sync, 1), 1);
    ASSERT_TRUE(Port.WaitForInput(Clock::now() + std::chrono::seconds(5)));
    char answer = 0;
    ASSERT_EQ(Port.Read(&answer, 1), 1);
    EXPECT_EQ(answer, '?');
    // A second opener is refused while the port is open.
    TComPort other;
    other.SetPort(Port.Port());
    try {
        other.Open();
        FAIL() << "a second opener got the port";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), ErrOpen);
        EXPECT_EQ(e.WinCode(), ERROR_ACCESS_DENIED);
    }
    EXPECT_FALSE(other.Connected());
    // The refused opener took nothing away: the port still answers.
    ASSERT_EQ(Port.Write(&sync, 1), 1);
    ASSERT_TRUE(Port.WaitForInput(Clock::now() + std::chrono::seconds(5)));
    ASSERT_EQ(Port.Read(&answer, 1), 1);
    EXPECT_EQ(answer, '?');
}

TEST_F(ComPortSimulator, ANewSpeedOnTheOpenPortIsAccepted) {
    Port.SetCustomBaudRate(57600);
    Port.SetCustomBaudRate(19200);
    EXPECT_TRUE(Port.Connected());
}

TEST_F(ComPortSimulator, ReopeningAfterCloseWorks) {
    Port.Close();
    EXPECT_FALSE(Port.Connected());
    Port.Open();
    EXPECT_TRUE(Port.Connected());
    EXPECT_NE(Port.Handle(), -1);
}

} // namespace
} // namespace vesk
