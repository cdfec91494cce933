// The soak's judge of failed operations must accept every sound failure the driver
// raises and catch the faults it is there to find.
#include "MessageCheck.h"

#include <gtest/gtest.h>

namespace vesk::soak {
namespace {

struct TMessageCase {
    const char* Message;
    TFailureKind Kind;
    const char* FirstLine;
    bool PrefixOnly;
    bool Sound;
};

class MessageCheck : public ::testing::TestWithParam<TMessageCase> {};

TEST_P(MessageCheck, JudgesTheFailure) {
    const TMessageCase& c = GetParam();
    EXPECT_EQ(CheckMessage(c.Message, c.Kind, c.FirstLine, c.PrefixOnly).empty(), c.Sound) << c.Message;
}

constexpr const char* NotRestoredChain =
    "Erase chip failed\n"
    "Preserved words not restored: [0x00003F] = 0x003425, [0x002007] = 0x002FFF\n"
    "Program mode enter failed: Region 0x01 (Code)\nVBUS command '230cx' failed\n"
    "VBUS write failed\nVBUS Echo timeout";

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageCheck,
    ::testing::Values(
        TMessageCase{
            "VESK activation failed\nVBUS command '0000h' failed\nVBUS write failed\nVBUS Echo timeout",
            TFailureKind::NoAnswer, "VESK activation failed", false, true},
        TMessageCase{"Target region verify failed: 0x02 (Data)\n"
                     "Data verify error: [0x002101] = 0x0000FF, buffer[] = 0x000012",
                     TFailureKind::VerifyDifference, "Target region verify failed: 0x", true, true},
        TMessageCase{NotRestoredChain, TFailureKind::NoAnswer, "Erase chip failed", false, true},
        // A failure that says nothing of what went wrong.
        TMessageCase{"VESK wakeup failed\nVBUS Echo timeout", TFailureKind::Other, "VESK wakeup failed",
                     false, false},
        // Empty lines, a missing cause, a wrong first line.
        TMessageCase{"", TFailureKind::NoAnswer, "VESK wakeup failed", false, false},
        TMessageCase{"VESK wakeup failed\n\nVBUS Echo timeout", TFailureKind::NoAnswer, "VESK wakeup failed",
                     false, false},
        TMessageCase{"VESK wakeup failed\n", TFailureKind::NoAnswer, "VESK wakeup failed", false, false},
        TMessageCase{"VESK wakeup failed", TFailureKind::NoAnswer, "VESK wakeup failed", false, false},
        TMessageCase{"Target read failed\nVBUS write failed\nVBUS Echo timeout", TFailureKind::NoAnswer,
                     "Erase chip failed", false, false},
        // The words an erase took: only right under its own line, over a cause.
        TMessageCase{"Target write failed\nPreserved words not restored: [0x00003F] = 0x003425\n"
                     "VBUS write failed\nVBUS Echo timeout",
                     TFailureKind::NoAnswer, "Target write failed", false, false},
        TMessageCase{"Erase chip failed\nPreserved words not restored: [0x00003F] = 0x003425",
                     TFailureKind::NoAnswer, "Erase chip failed", false, false}));

TEST(NotRestoredWords, ReadsTheWordsAFailedEraseNames) {
    EXPECT_EQ(NotRestoredWords(NotRestoredChain),
              (std::map<int32_t, int32_t>{{0x3F, 0x3425}, {0x2007, 0x2FFF}}));
    EXPECT_TRUE(NotRestoredWords("Erase chip failed\nData read error").empty());
    for (const char* line : {"Preserved words not restored: [0x00003F] = 0x3425",
                             "Preserved words not restored: [0x00003F] = 0x003425,",
                             "Preserved words not restored: [0x00003F] = 0x003425; [0x002007] = 0x002FFF",
                             "Preserved words not restored: [0x00003f] = 0x003425",
                             "Preserved words not restored: [0x00003F] = 0x003425, [0x00003F] = 0x003FFF"}) {
        const std::string broken =
            "Erase chip failed\n" + std::string(line) + "\nVBUS write failed\nVBUS Echo timeout";
        EXPECT_FALSE(CheckMessage(broken, TFailureKind::NoAnswer, "Erase chip failed", false).empty())
            << line;
        EXPECT_TRUE(NotRestoredWords(broken).empty()) << line;
    }
}

} // namespace
} // namespace vesk::soak
