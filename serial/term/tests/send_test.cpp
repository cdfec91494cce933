// What the terminal sends: replies to queries, typed characters and cursor keys.

#include "TermKeys.h"
#include "TermScript.h"

#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::TermScript;
using RC = std::pair<int, int>;

TEST(TermReplies, CursorPositionQueryIsAnswered) {
    TermScript s;
    s.Push("\033[3;7H\033[6n");
    EXPECT_EQ(s.Sent, "\033[3;7R");
    EXPECT_TRUE(s.ScreenEmpty());
}

TEST(TermReplies, CursorPositionAfterClamping) {
    TermScript s;
    s.Push("\033[99;99H\033[6n");
    EXPECT_EQ(s.Sent, "\033[24;80R");
}

TEST(TermReplies, IdentifyAndDeviceStatus) {
    TermScript s;
    s.Push("\033[c");
    EXPECT_EQ(s.Sent, "\033[?1;2c");
    s.Sent.clear();
    s.Push("\033[0c\033[5n");
    EXPECT_EQ(s.Sent, "\033[?1;2c\033[0n");
}

TEST(TermReplies, RepliesAreNotEchoed) {
    TermScript s;
    s.T.SetLocalEcho(true);
    s.Push("\033[2;2H\033[6n\033[c\033[5n");
    EXPECT_EQ(s.Sent, "\033[2;2R\033[?1;2c\033[0n");
    EXPECT_EQ(s.Caret(), RC(2, 2));
    EXPECT_TRUE(s.ScreenEmpty());
}

TEST(TermReplies, NoLineNoReplyNoFault) {
    TermScript s;
    s.PortOpen = false;
    s.Push("\033[6nok");
    EXPECT_EQ(s.Sent, "");
    EXPECT_EQ(s.Row(1), "ok");

    TComTerminalModel bare; // no send hook at all
    bare.Write("\033[6n\033[cok");
    EXPECT_EQ(bare.RowText(1), "ok");
}

TEST(TermReplies, ALineErrorStillShowsTheCaretAgain) {
    TComTerminalModel t;
    t.OnSend = [](std::string_view) -> bool { throw std::runtime_error("port gone"); };
    EXPECT_THROW(t.Write("\033[6n"), std::runtime_error);
    EXPECT_TRUE(t.CaretVisible());
    // The decoder is back outside the sequence.
    t.OnSend = nullptr;
    t.Write("x");
    EXPECT_EQ(t.RowText(1), "x");
}

TEST(TermSend, TypedCharacters) {
    TermScript s;
    s.T.SendChar('a');
    s.T.SendChar('\r');
    EXPECT_EQ(s.Sent, "a\r");
    EXPECT_TRUE(s.ScreenEmpty()); // no local echo
}

TEST(TermSend, CarriageReturnWithSendLFAndLocalEcho) {
    TermScript s;
    s.T.SetSendLF(true);
    s.T.SetLocalEcho(true);
    s.T.SendChar('h');
    s.T.SendChar('i');
    s.T.SendChar('\r');
    EXPECT_EQ(s.Sent, "hi\r\n");
    EXPECT_EQ(s.Row(1), "hi");
    EXPECT_EQ(s.Caret(), RC(2, 1));
}

TEST(TermSend, ClosedPortSendsAndShowsNothing) {
    TermScript s;
    s.T.SetLocalEcho(true);
    s.T.SetSendLF(true);
    s.PortOpen = false;
    s.T.SendChar('x');
    s.T.SendChar('\r');
    s.T.SendKey(TTermKey::tkDown);
    EXPECT_EQ(s.Sent, "");
    EXPECT_TRUE(s.ScreenEmpty());
    EXPECT_EQ(s.Caret(), RC(1, 1));
}

TEST(TermSend, Force7BitClearsTheTopBit) {
    TermScript s;
    s.T.SetForce7Bit(true);
    s.T.SendChar(0xC1);
    EXPECT_EQ(s.Sent, "A");
    s.Push("\xC2");
    EXPECT_EQ(s.Row(1), "B");
}

TEST(TermSend, CursorKeysInNormalMode) {
    TermScript s;
    for (TTermKey k :
         {TTermKey::tkUp, TTermKey::tkDown, TTermKey::tkRight, TTermKey::tkLeft, TTermKey::tkHome})
        s.T.SendKey(k);
    EXPECT_EQ(s.Sent, "\033[A\033[B\033[C\033[D\033[H");
    EXPECT_EQ(s.Caret(), RC(1, 1)); // no local echo: the caret stays
}

TEST(TermSend, CursorKeysInApplicationMode) {
    TermScript s;
    s.Push("\033[?1h");
    ASSERT_TRUE(s.T.AppCursorKeys());
    for (TTermKey k :
         {TTermKey::tkUp, TTermKey::tkDown, TTermKey::tkRight, TTermKey::tkLeft, TTermKey::tkHome})
        s.T.SendKey(k);
    EXPECT_EQ(s.Sent, "\033OA\033OB\033OC\033OD"); // Home sends nothing
    s.Sent.clear();
    s.Push("\033[?1l");
    s.T.SendKey(TTermKey::tkUp);
    EXPECT_EQ(s.Sent, "\033[A");
}

TEST(TermSend, CursorKeysWithLocalEchoMoveTheCaret) {
    TermScript s;
    s.T.SetLocalEcho(true);
    s.Push("\033[5;5H");
    s.T.SendKey(TTermKey::tkDown);
    s.T.SendKey(TTermKey::tkRight);
    EXPECT_EQ(s.Caret(), RC(6, 6));
    s.Push("\033[?1h");
    s.T.SendKey(TTermKey::tkUp);
    s.T.SendKey(TTermKey::tkLeft);
    s.T.SendKey(TTermKey::tkLeft);
    EXPECT_EQ(s.Caret(), RC(5, 4));
    s.T.SendKey(TTermKey::tkHome); // nothing in application mode
    EXPECT_EQ(s.Caret(), RC(5, 4));
    s.Push("\033[?1l");
    s.T.SendKey(TTermKey::tkHome);
    EXPECT_EQ(s.Caret(), RC(1, 1));
}

TEST(TermSend, WindowsArrowKeysOnlyMoveTheLocalCaret) {
    TermScript s;
    s.T.SetArrowKeys(TArrowKeys::akWindows);
    s.Push("\033[5;5H");
    s.T.SendKey(TTermKey::tkUp);
    s.T.SendKey(TTermKey::tkLeft);
    EXPECT_EQ(s.Sent, "");
    EXPECT_EQ(s.Caret(), RC(4, 4));
}

TEST(TermKeys, PureTranslations) {
    EXPECT_EQ(KeyToBytes(TTermKey::tkUp, false), "\033[A");
    EXPECT_EQ(KeyToBytes(TTermKey::tkHome, false), "\033[H");
    EXPECT_EQ(KeyToBytes(TTermKey::tkLeft, true), "\033OD");
    EXPECT_EQ(KeyToBytes(TTermKey::tkHome, true), "");
    EXPECT_EQ(CharToBytes('\r', true), "\r\n");
    EXPECT_EQ(CharToBytes('\r', false), "\r");
    EXPECT_EQ(CharToBytes('a', true), "a");
    EXPECT_EQ(CharToBytes(0xE1, false, true), "a");
    EXPECT_EQ(CaretHeight(TTermCaret::tcBlock, 17), 17);
    EXPECT_EQ(CaretHeight(TTermCaret::tcUnderline, 17), 2);
    EXPECT_EQ(CaretHeight(TTermCaret::tcUnderline, 7), 0);
    EXPECT_EQ(CaretHeight(TTermCaret::tcNone, 17), 0);
}
