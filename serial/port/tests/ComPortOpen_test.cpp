// Opening, closing, exclusive access, names and line settings of the port.
#include "ComPort.h"
#include "ComPortDevice.h"
#include "LineSpeed.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace vesk;
using vesk::test::LineOutputSpeed;
using vesk::test::TPseudoTerminal;

namespace {

// Runs `body` and returns the EComPort it raised (fails the test when none).
template <class Body> EComPort Raised(Body body) {
    try {
        body();
    } catch (const EComPort& e) {
        return e;
    }
    ADD_FAILURE() << "no EComPort raised";
    return EComPort(ErrNone);
}

} // namespace

TEST(ComPortNames, MapToDevicePaths) {
    const std::pair<const char*, const char*> rows[] = {
        {"COM1", "/dev/ttyS0"},       {"COM10", "/dev/ttyS9"}, {"ttyUSB0", "/dev/ttyUSB0"},
        {"/dev/pts/3", "/dev/pts/3"}, {"./link", "./link"},    {"COM0", "/dev/COM0"},
        {"COMX", "/dev/COMX"},
    };
    for (const auto& [name, path] : rows)
        EXPECT_EQ(ComPortDevicePath(name), path) << name;
}

TEST(ComPortDefaults, AsTheComponentShips) {
    TComPort port;
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Handle(), -1);
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.CustomBaudRate(), 9600);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.StopBits(), sbOneStopBit);
    EXPECT_EQ(port.Parity(), TComParity{});
    EXPECT_EQ(port.Parity().Bits, prNone);
    EXPECT_EQ(port.FlowControl().XonChar, 17);
    EXPECT_EQ(port.FlowControl().XoffChar, 19);
    EXPECT_EQ(port.FlowControl().ControlDTR, dtrDisable);
    EXPECT_EQ(port.FlowControl().ControlRTS, rtsDisable);
    EXPECT_EQ(port.Timeouts().ReadInterval, -1);
    EXPECT_EQ(port.Timeouts().WriteTotalMultiplier, 100);
    EXPECT_EQ(port.Timeouts().WriteTotalConstant, 1000);
    EXPECT_EQ(port.Buffer().InputSize, 1024);
    EXPECT_EQ(port.Buffer().OutputSize, 1024);
    EXPECT_EQ(port.Events().size(), 10u);
    EXPECT_EQ(port.SyncMethod(), smThreadSync);
    EXPECT_TRUE(port.TriggersOnRxChar());
    EXPECT_FALSE(port.DiscardNull());
    EXPECT_EQ(port.EventChar(), 0);
    EXPECT_EQ(BaudRateToInt(br256000), 256000);
    EXPECT_EQ(BaudRateToInt(br56000), 56000);
}

TEST(ComPortDefaults, OddBufferSizesAreLowered) {
    TComPort port;
    port.SetBuffer({2049, 513});
    EXPECT_EQ(port.Buffer().InputSize, 2048);
    EXPECT_EQ(port.Buffer().OutputSize, 512);
}

TEST(ComPortErrors, MessagesCarryTheOsErrorWhereThereIsOne) {
    EXPECT_STREQ(EComPort(ErrOpen, ENOENT, "/dev/ttyUSB7").what(),
                 "Unable to open com port /dev/ttyUSB7: No such file or directory (error 2)");
    EXPECT_STREQ(EComPort(ErrRegistry, 2).what(), "Registry error: No such file or directory (error 2)");
    EXPECT_STREQ(EComPort(ErrAsyncParameter).what(), "Invalid Async parameter");
    EXPECT_STREQ(EComPort(ErrConnected).what(), "Cannot set property while connected");
    EXPECT_STREQ(EComPort(ErrLinkRegistration).what(), "Link (un)registration failed");
    EXPECT_STREQ(EComPort(ErrEventThread).what(), "Cannot wait for event if event thread is created");
    EXPECT_STREQ(EComPort(ErrRxBufLinked).what(), "A component is linked to OnRxBuf event");
    EXPECT_EQ(EComPort(ErrRxBufLinked).WinCode(), -1);
    EXPECT_EQ(EComPort(ErrRead, 5).Code(), ErrRead);
    EXPECT_EQ(EComPort(ErrRead, 5).WinCode(), 5);
    // The driver's wrappers catch the base class.
    const Exception& base = EComPort(ErrLineSettings, 22);
    EXPECT_EQ(base.Message(), "SetCommState function failed: Invalid argument (error 22)");
}

// The three refusals every user meets end with a line that says what to do.
TEST(ComPortErrors, CommonFailuresSayWhatToDo) {
    const vesk::test::TTempFolder folder;
    // A port only root may open (owner and group root, as /dev/ttyS0 is on some
    // machines): never the advice to join root's group. A port of a users' group that
    // may read and write it: the advice to join that group.
    const std::string file = folder / "vesk_hint_port";
    std::ofstream(file) << "x";
    ASSERT_EQ(::chown(file.c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    const std::string shared = folder / "vesk_hint_shared_port";
    std::ofstream(shared) << "x";
    ASSERT_EQ(::chown(shared.c_str(), -1, 20), 0); // "dialout" on Debian
    ASSERT_EQ(::chmod(shared.c_str(), 0660), 0);
    const group* usersGroup = ::getgrgid(20);
    const std::string groupName = usersGroup ? usersGroup->gr_name : "20";
    const struct {
        int Code, Errno;
        std::string Device, Message;
    } rows[] = {
        {ErrOpen, EACCES, file,
         "Unable to open com port " + file +
             ": Permission denied (error 13)\nOnly \"root\" may open the port (group \"root\", -rw-------): "
             "a udev "
             "rule can give it to group \"dialout\", which you then join; or use another port."},
        {ErrOpen, EPERM, shared,
         "Unable to open com port " + shared +
             ": Operation not permitted (error 1)\nThe port belongs to group \"" + groupName +
             "\": join it with \"sudo usermod -aG " + groupName + " $USER\", then log out and in again."},
        {ErrOpen, EBUSY, "/dev/vesk-nobody-holds-this",
         "Unable to open com port /dev/vesk-nobody-holds-this: Device or resource busy (error 16)\nThe port "
         "is in "
         "use by another program: close it there first."},
        {ErrQueueStatus, EIO, "",
         "ClearCommError function failed: Input/output error (error 5)\nThe device is gone (adapter "
         "unplugged?); "
         "when it is back, its port may have another name."},
        {ErrWrite, ENODEV, "", "WriteFile function failed: No such device (error 19)\nThe device is gone"},
        {ErrRead, ENXIO, "",
         "ReadFile function failed: No such device or address (error 6)\nThe device is gone"},
        {ErrOpen, ENOENT, "/dev/ttyUSB9",
         "Unable to open com port /dev/ttyUSB9: No such file or directory (error 2)"},
    };
    for (const auto& row : rows) {
        const std::string message = EComPort(row.Code, row.Errno, row.Device).what();
        EXPECT_EQ(message.substr(0, row.Message.size()), row.Message) << message;
        if (row.Errno == ENOENT) {
            EXPECT_EQ(message, row.Message); // no advice for a plain missing device
        }
    }
    ::unlink(file.c_str());
    ::unlink(shared.c_str());
}

// USB adapters round a speed they cannot run; more than 3 % off is refused.
TEST(ComPortErrors, SpeedTheAdapterCannotRunNamesBoth) {
    EXPECT_NO_THROW(CheckSpeedGiven("/dev/ttyUSB0", 115200, 115384));
    EXPECT_NO_THROW(CheckSpeedGiven("/dev/ttyUSB0", 9600, 0)); // not told
    const EComPort e = Raised([] { CheckSpeedGiven("/dev/ttyUSB0", 31250, 38400); });
    EXPECT_EQ(e.Code(), ErrLineSettings);
    EXPECT_STREQ(
        e.what(),
        "SetCommState function failed /dev/ttyUSB0: 31250 bit/s asked for, the adapter gives 38400 bit/s");
    EXPECT_EQ(Raised([] { CheckSpeedGiven("/dev/ttyUSB0", 100, 104); }).Code(), ErrLineSettings);
}

TEST(ComPortOpen, MissingDeviceFailsAndStaysClosed) {
    TComPort port;
    port.SetPort("/dev/vesk-no-such-device");
    const EComPort e = Raised([&] { port.SetConnected(true); });
    EXPECT_EQ(e.Code(), ErrOpen);
    EXPECT_EQ(e.WinCode(), 2);
    EXPECT_STREQ(e.what(),
                 "Unable to open com port /dev/vesk-no-such-device: No such file or directory (error 2)");
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Handle(), -1);
}

TEST(ComPortOpen, PlainFileIsNotAPort) {
    const vesk::test::TTempFolder folder;
    const std::string path = folder.Write("vesk_not_a_tty", "x");
    TComPort port;
    port.SetPort(path);
    EXPECT_EQ(Raised([&] { port.Open(); }).Code(), ErrOpen);
    EXPECT_FALSE(port.Connected());
}

TEST(ComPortOpen, OpenAndCloseCallTheHandlersInOrder) {
    TPseudoTerminal pty;
    TComPort port;
    port.SetPort(pty.SlavePath());
    std::string log;
    port.OnBeforeOpen = [&] { log += "[bo]"; };
    port.OnAfterOpen = [&] { log += "[ao]"; };
    port.OnBeforeClose = [&] { log += "[bc]"; };
    port.OnAfterClose = [&] { log += "[ac]"; };
    port.SetConnected(true);
    EXPECT_TRUE(port.Connected());
    EXPECT_GE(port.Handle(), 0);
    port.Open(); // already open: nothing
    port.SetConnected(false);
    port.Close(); // already closed: nothing
    EXPECT_EQ(log, "[bo][ao][bc][ac]");
    EXPECT_EQ(port.Handle(), -1);
}

TEST(ComPortOpen, SecondOpenerInThisProcessIsRefused) {
    TPseudoTerminal pty;
    TComPort first, second;
    first.SetPort(pty.SlavePath());
    second.SetPort(pty.SlavePath());
    first.Open();
    const EComPort e = Raised([&] { second.Open(); });
    EXPECT_EQ(e.Code(), ErrOpen);
    EXPECT_NE(std::string(e.what()).find(
                  ": Device or resource busy (error 16)\nThe port is in use by this program"),
              std::string::npos)
        << e.what();
    EXPECT_FALSE(second.Connected());
    // Once the first lets go the device is free again.
    first.Close();
    EXPECT_NO_THROW(second.Open());
    EXPECT_TRUE(second.Connected());
}

// A stable name such as /dev/serial/by-id/... is a link to the device.
TEST(ComPortOpen, ALinkToThePortIsThatPort) {
    TPseudoTerminal pty;
    const vesk::test::TTempFolder folder;
    const std::string link = folder / "vesk_by_id";
    ASSERT_EQ(::symlink(pty.SlavePath().c_str(), link.c_str()), 0);
    TComPort byLink, byName;
    byLink.SetPort(link);
    byName.SetPort(pty.SlavePath());
    byLink.Open();
    EXPECT_TRUE(byLink.Connected());
    EXPECT_EQ(Raised([&] { byName.Open(); }).WinCode(), EBUSY);
}

TEST(ComPortOpen, SecondOpenerInAnotherProcessIsRefused) {
    TPseudoTerminal pty;
    TComPort port;
    port.SetPort(pty.SlavePath());
    port.Open();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The refusal names the holder, so the user knows what to close.
        int code = 0;
        try {
            TComPort other;
            other.SetPort(pty.SlavePath());
            other.Open();
        } catch (const EComPort& e) {
            const std::string holder = "is in use by process " + std::to_string(::getppid()) + " (";
            code = std::string(e.what()).find(holder) != std::string::npos && e.WinCode() == EBUSY ? e.Code()
                                                                                                   : 99;
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

TEST(ComPortOpen, RefusedUserIsToldWhichGroupToJoin) {
    if (::getuid() != 0) GTEST_SKIP() << "needs to become another user";
    TPseudoTerminal pty; // owned by root, group-writable only
    ASSERT_EQ(::chmod(pty.SlavePath().c_str(), 0660), 0);
    // A users' group ("dialout" on Debian): the terminals' own group may be root's.
    ASSERT_EQ(::chown(pty.SlavePath().c_str(), -1, 20), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
        try {
            TComPort port;
            port.SetPort(pty.SlavePath());
            port.Open();
        } catch (const EComPort& e) {
            const std::string message = e.what();
            const bool named = message.find(": Permission denied (error 13)\nThe port belongs to group \"") !=
                               std::string::npos;
            ::_exit(named && e.Code() == ErrOpen ? 0 : 91);
        }
        ::_exit(92);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ComPortSettings, CustomSpeedWhileClosedIsAppliedAtOpen) {
    TPseudoTerminal pty;
    TComPort port;
    port.SetPort(pty.SlavePath());
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(31250);
    EXPECT_EQ(port.CustomBaudRate(), 31250);
    EXPECT_NE(LineOutputSpeed(pty.Master()), 31250u); // only stored
    port.Open();
    EXPECT_EQ(LineOutputSpeed(pty.Master()), 31250u);
    // On an open port a new speed is in force at once, standard or not.
    port.SetCustomBaudRate(57600);
    EXPECT_EQ(LineOutputSpeed(pty.Master()), 57600u);
    port.SetCustomBaudRate(250000);
    EXPECT_EQ(LineOutputSpeed(pty.Master()), 250000u);
    port.SetBaudRate(br19200);
    EXPECT_EQ(LineOutputSpeed(pty.Master()), 19200u);
}

TEST(ComPortSettings, LineIsRaw8N1) {
    // A pseudo-terminal keeps itself at 8 bits without parity, so only the settings
    // it carries are checked here.
    TPseudoTerminal pty;
    TComPort port;
    port.SetPort(pty.SlavePath());
    port.Open();
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.Master(), &t), 0);
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    EXPECT_FALSE(t.c_iflag & (ICRNL | IXON | IXOFF | ISTRIP));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    port.SetStopBits(sbTwoStopBits);
    ASSERT_EQ(::tcgetattr(pty.Master(), &t), 0);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    TComFlowControl flow;
    flow.XonXoffOut = true;
    flow.XonChar = 0x11;
    flow.XoffChar = 0x13;
    port.SetFlowControl(flow);
    ASSERT_EQ(::tcgetattr(pty.Master(), &t), 0);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
}

TEST(ComPortSettings, ZeroSpeedIsRefusedOnAnOpenPort) {
    TPseudoTerminal pty;
    TComPort port;
    port.SetPort(pty.SlavePath());
    port.Open();
    port.SetBaudRate(brCustom);
    const EComPort e = Raised([&] { port.SetCustomBaudRate(0); });
    EXPECT_EQ(e.Code(), ErrLineSettings);
}

TEST(ComPortSettings, FailedSetupLeavesThePortClosed) {
    TPseudoTerminal pty;
    TComPort port;
    port.SetPort(pty.SlavePath());
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(-5);
    EXPECT_EQ(Raised([&] { port.Open(); }).Code(), ErrLineSettings);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Handle(), -1);
    port.SetCustomBaudRate(9600);
    EXPECT_NO_THROW(port.Open()); // the device was released
}

TEST(ComPortSettings, ThreadSettingsOnlyWhileClosed) {
    TPseudoTerminal pty;
    TComPort port;
    port.SetPort(pty.SlavePath());
    port.SetSyncMethod(smWindowSync);
    port.Open();
    EXPECT_EQ(Raised([&] { port.SetSyncMethod(smNone); }).Code(), ErrConnected);
    EXPECT_EQ(Raised([&] { port.SetEventThreadPriority(2); }).Code(), ErrConnected);
    EXPECT_NO_THROW(port.SetSyncMethod(smWindowSync)); // unchanged value
    EXPECT_EQ(port.SyncMethod(), smWindowSync);
}

TEST(ComPortPort, SameNameKeepsTheOpenPortDifferentNameReopens) {
    TPseudoTerminal a, b;
    TComPort port;
    int opens = 0;
    port.OnAfterOpen = [&] { ++opens; };
    port.SetPort(a.SlavePath());
    port.Open();
    port.SetPort(a.SlavePath());
    EXPECT_EQ(opens, 1);

    port.SetPort(b.SlavePath());
    EXPECT_EQ(opens, 2);
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.Port(), b.SlavePath());
    port.WriteStr("B");
    EXPECT_EQ(b.Receive(), "B");
    // The first device was given back.
    TComPort other;
    other.SetPort(a.SlavePath());
    EXPECT_NO_THROW(other.Open());
}

TEST(ComPortPort, NameChangeWhileClosedOnlyStores) {
    TPseudoTerminal a;
    TComPort port;
    int opens = 0;
    port.OnAfterOpen = [&] { ++opens; };
    port.SetPort(a.SlavePath());
    EXPECT_EQ(opens, 0);
    EXPECT_FALSE(port.Connected());
}

TEST(ComPortPort, FailedReopenLeavesThePortClosed) {
    TPseudoTerminal a;
    TComPort port;
    port.SetPort(a.SlavePath());
    port.Open();
    EXPECT_EQ(Raised([&] { port.SetPort("/dev/vesk-no-such-device"); }).Code(), ErrOpen);
    EXPECT_FALSE(port.Connected());
}
