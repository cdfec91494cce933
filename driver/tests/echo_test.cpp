// The echo rule on a line whose other end answers every byte with a byte of the test's
// choosing: only the upper-case form of a letter is accepted.
#include "DriverFixture.h"

#include "driver/VbusFormat.h"
#include "sim/ScriptedLine.h"

namespace vesk::test {
namespace {

TEST(EchoRule, LetterEchoedInLowerCaseFails) {
    TDeviceVESK1 device(std::make_unique<sim::TScriptedLine>([](uint8_t c) { return int(c); }));
    TVbusLink link(device.Transport());
    device.SetComReadTimeout(300);
    device.Open();
    EXPECT_EQ(ErrorOf([&] { device.Activate(); }),
              "VESK activation failed\nVBUS command '0000h' failed\nGot echo: '0000h'");
    // Bytes other than 'a' to 'z' must come back unchanged.
    EXPECT_EQ(link.SendByte('#'), '#');
    device.Close();
}

TEST(EchoRule, UpperCaseLetterEchoIsAccepted) {
    TDeviceVESK1 device(
        std::make_unique<sim::TScriptedLine>([](uint8_t c) { return int(vbus::ExpectedEcho(c)); }));
    TVbusLink link(device.Transport());
    device.Open();
    device.Activate();
    link.SendCommand("3FFFl");
    device.Close();
}

} // namespace
} // namespace vesk::test
