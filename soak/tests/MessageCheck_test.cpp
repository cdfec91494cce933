// The soak's judge of chained messages must accept every sound chain the driver
// builds and catch the faults it is there to find.
#include "MessageCheck.h"

#include <gtest/gtest.h>

namespace vesk::soak {
namespace {

TEST(MessageCheck, AcceptsSoundChains) {
    EXPECT_TRUE(CheckChain("VESK activation failed\nVBUS command '0000h' failed\nVBUS write failed\n"
                           "VBUS Echo timeout",
                           "VESK activation failed", false)
                    .empty());
    EXPECT_TRUE(CheckChain("VESK wakeup failed\nVESK device is not echoing\nExpecting echo '?', got: 0x00",
                           "VESK wakeup failed", false)
                    .empty());
    EXPECT_TRUE(CheckChain("Target write failed\nTarget region write failed: 0x01 (Code)\n"
                           "Write data lazy failed: [0x000005] = 0x001234\nVBUS command '1234l' failed\n"
                           "Got echo: '12#'",
                           "Target write failed", false)
                    .empty());
    EXPECT_TRUE(CheckChain("Target region verify failed: 0x02 (Data)\n"
                           "Data verify error: [0x002101] = 0x0000FF, buffer[] = 0x000012",
                           "Target region verify failed: 0x", true)
                    .empty());
    EXPECT_TRUE(CheckChain("Target detect failed\nVESK target detect failed\nUnknown target: Id = 0x001234",
                           "Target detect failed", false)
                    .empty());
    EXPECT_TRUE(
        CheckChain("VESK Get type failed\nVBUS write failed\nReadFile function failed (win error code: 5)",
                   "VESK Get type failed", false)
            .empty());
    EXPECT_TRUE(
        CheckChain("VESK Get type failed\nVBUS write failed\nReadFile function failed: Input/output error "
                   "(error 5)\nThe device is gone (adapter unplugged?); when it is back, its port may "
                   "have another name.",
                   "VESK Get type failed", false)
            .empty());
}

TEST(MessageCheck, FindsBrokenChains) {
    // Empty lines, a missing root, a wrong first line.
    EXPECT_FALSE(CheckChain("", "VESK wakeup failed", false).empty());
    EXPECT_FALSE(CheckChain("VESK wakeup failed\n\nVBUS Echo timeout", "VESK wakeup failed", false).empty());
    EXPECT_FALSE(CheckChain("VESK wakeup failed\n", "VESK wakeup failed", false).empty());
    EXPECT_FALSE(CheckChain("VESK wakeup failed", "VESK wakeup failed", false).empty());
    EXPECT_FALSE(
        CheckChain("Target read failed\nVBUS write failed\nVBUS Echo timeout", "Erase chip failed", false)
            .empty());
    // A layer lost between the command and the time-out.
    EXPECT_FALSE(CheckChain("VESK activation failed\nVBUS command '0000h' failed\nVBUS Echo timeout",
                            "VESK activation failed", false)
                     .empty());
    // An unknown text in the middle.
    EXPECT_FALSE(CheckChain("Erase chip failed\nsomething broke\nVBUS write failed\nVBUS Echo timeout",
                            "Erase chip failed", false)
                     .empty());
}

TEST(MessageCheck, EchoMustFitItsCommand) {
    const char* first = "VESK activation failed";
    EXPECT_TRUE(
        CheckChain("VESK activation failed\nVBUS command '0000h' failed\nGot echo: '0#'", first, false)
            .empty());
    // Letters come back in upper case: an upper-case answer is right, so it cannot end the echo.
    EXPECT_FALSE(
        CheckChain("VESK activation failed\nVBUS command '0000h' failed\nGot echo: '0000H'", first, false)
            .empty());
    // More answers than characters sent, or a wrong answer before the last.
    EXPECT_FALSE(CheckChain("VESK activation failed\nVBUS command '0h' failed\nGot echo: '0H#'", first, false)
                     .empty());
    EXPECT_FALSE(
        CheckChain("VESK activation failed\nVBUS command '0000h' failed\nGot echo: '#0'", first, false)
            .empty());
}

TEST(MessageCheck, WordsAFailedEraseDidNotRestore) {
    const std::string message = "Erase chip failed\n"
                                "Preserved words not restored: [0x00003F] = 0x003425, [0x002007] = 0x002FFF\n"
                                "Program mode enter failed: Region 0x01 (Code)\nVBUS command '230cx' failed\n"
                                "VBUS write failed\nVBUS Echo timeout";
    EXPECT_TRUE(CheckChain(message, "Erase chip failed", false).empty());
    EXPECT_EQ(NotRestoredWords(message), (std::map<int32_t, int32_t>{{0x3F, 0x3425}, {0x2007, 0x2FFF}}));
    EXPECT_TRUE(CheckChain("Erase chip failed\nPreserved words not restored: [0x002007] = 0x002FFF\n"
                           "Write data failed: [0x002007] = 0x002FFF\nVBUS command '2FFFw' failed\n"
                           "Got echo: '2F#'",
                           "Erase chip failed", false)
                    .empty());
    EXPECT_TRUE(NotRestoredWords("Erase chip failed\nData read error").empty());

    // Only right under the erase's own line, well formed, over a cause.
    EXPECT_FALSE(CheckChain("Target write failed\nPreserved words not restored: [0x00003F] = 0x003425\n"
                            "VBUS write failed\nVBUS Echo timeout",
                            "Target write failed", false)
                     .empty());
    for (const char* line : {"Preserved words not restored: [0x00003F] = 0x3425",
                             "Preserved words not restored: [0x00003F] = 0x003425,",
                             "Preserved words not restored: [0x00003F] = 0x003425; [0x002007] = 0x002FFF",
                             "Preserved words not restored: [0x00003f] = 0x003425",
                             "Preserved words not restored: [0x00003F] = 0x003425, [0x00003F] = 0x003FFF"}) {
        const std::string broken =
            "Erase chip failed\n" + std::string(line) + "\nVBUS write failed\nVBUS Echo timeout";
        EXPECT_FALSE(CheckChain(broken, "Erase chip failed", false).empty()) << line;
        EXPECT_TRUE(NotRestoredWords(broken).empty()) << line;
    }
    EXPECT_FALSE(CheckChain("Erase chip failed\nPreserved words not restored: [0x00003F] = 0x003425",
                            "Erase chip failed", false)
                     .empty());
}

TEST(MessageCheck, PortErrors) {
    EXPECT_TRUE(IsPortError("WriteFile function failed (win error code: 5)"));
    EXPECT_TRUE(IsPortError("Unable to open com port (win error code: 2)"));
    EXPECT_FALSE(IsPortError("WriteFile function failed (win error code: 5"));
    EXPECT_TRUE(IsPortError("Unable to open com port /dev/ttyUSB0: Permission denied (error 13)"));
    EXPECT_FALSE(IsPortError("Unable to open com port /dev/ttyUSB0: Permission denied"));
    EXPECT_FALSE(IsPortError("VBUS Echo timeout"));
}

} // namespace
} // namespace vesk::soak
