// The VT100/ANSI decoder on its own: which code a byte sequence yields.

#include "EscapeCodesVT100.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vesk;
using Params = std::vector<std::string>;

namespace {

struct Decoded {
    TEscapeCode Code = TEscapeCode::ecNotCompleted;
    Params P;
    int Codes = 0; // completed sequences
    std::string Chars;
};

// Feeds bytes and records the last completed code, the plain characters and how many
// sequences ended.
Decoded Decode(TEscapeCodesVT100& dec, std::string_view bytes) {
    Decoded d;
    for (char c : bytes) {
        switch (dec.ProcessChar(static_cast<unsigned char>(c))) {
        case TEscapeResult::erChar:
            d.Chars += char(dec.Character());
            break;
        case TEscapeResult::erCode:
            d.Code = dec.Code();
            d.P = dec.Params();
            ++d.Codes;
            dec.ClearParams();
            break;
        case TEscapeResult::erNothing:
            break;
        }
    }
    return d;
}

TEscapeCode CodeOf(std::string_view bytes) {
    TEscapeCodesVT100 dec;
    const Decoded d = Decode(dec, bytes);
    EXPECT_EQ(d.Codes, 1) << bytes;
    return d.Code;
}

} // namespace

TEST(EscapeCodesVT100, PlainBytesAreCharacters) {
    TEscapeCodesVT100 dec;
    const Decoded d = Decode(dec, "ab\r\n\xff");
    EXPECT_EQ(d.Chars, "ab\r\n\xff");
    EXPECT_EQ(d.Codes, 0);
    EXPECT_FALSE(dec.InSequence());
}

namespace {

// Which code each complete sequence yields, one sequence per row.
const std::pair<const char*, TEscapeCode> CodeRows[] = {
    // Escape and one or two bytes.
    {"\0337", TEscapeCode::ecSaveCaretAndAttr},
    {"\0338", TEscapeCode::ecRestoreCaretAndAttr},
    {"\033H", TEscapeCode::ecSetTab},
    {"\033c", TEscapeCode::ecReset},
    {"\033#8", TEscapeCode::ecTest},
    {"\033OA", TEscapeCode::ecAppCursorUp},
    {"\033OB", TEscapeCode::ecAppCursorDown},
    {"\033OC", TEscapeCode::ecAppCursorRight},
    {"\033OD", TEscapeCode::ecAppCursorLeft},
    {"\033M", TEscapeCode::ecReverseLineFeed},
    {"\033D", TEscapeCode::ecIndex},
    {"\033E", TEscapeCode::ecNextLine},
    // Character set designations take exactly one more byte, whatever it is.
    {"\033(B", TEscapeCode::ecCharacterSet},
    {"\033)0", TEscapeCode::ecCharacterSet},
    {"\033*A", TEscapeCode::ecCharacterSet},
    {"\033+<", TEscapeCode::ecCharacterSet},
    // Anything else ends at once as unknown, consuming only that byte.
    {"\033Z", TEscapeCode::ecUnknown},
    {"\033#3", TEscapeCode::ecUnknown},
    {"\033OZ", TEscapeCode::ecUnknown},
    {"\033\033", TEscapeCode::ecUnknown},
    // Bracketed codes, told apart by their final byte.
    {"\033[A", TEscapeCode::ecCursorUp},
    {"\033[3B", TEscapeCode::ecCursorDown},
    {"\033[C", TEscapeCode::ecCursorRight},
    {"\033[D", TEscapeCode::ecCursorLeft},
    {"\033[H", TEscapeCode::ecCursorHome},
    {"\033[1;1f", TEscapeCode::ecCursorMove},
    {"\033[R", TEscapeCode::ecReportCursorPos},
    {"\033[m", TEscapeCode::ecAttributes},
    {"\033[?1h", TEscapeCode::ecSetMode},
    {"\033[?1l", TEscapeCode::ecResetMode},
    {"\033[s", TEscapeCode::ecSaveCaret},
    {"\033[u", TEscapeCode::ecRestoreCaret},
    {"\033[5X", TEscapeCode::ecUnknown},
    // Any byte from '@' to '~' ends the sequence, not only a letter.
    {"\033[3~", TEscapeCode::ecUnknown},
    {"\033[2@", TEscapeCode::ecUnknown},
    {"\033[1`", TEscapeCode::ecUnknown},
    {"\033[?2004{", TEscapeCode::ecUnknown},
    // Bracketed codes told apart by their first parameter too.
    {"\033[J", TEscapeCode::ecEraseScreenFrom},
    {"\033[0J", TEscapeCode::ecEraseScreenFrom},
    {"\033[2J", TEscapeCode::ecEraseScreen},
    {"\033[1J", TEscapeCode::ecEraseScreenTo},
    {"\033[3J", TEscapeCode::ecUnknown},
    {"\033[K", TEscapeCode::ecEraseLineFrom},
    {"\033[0K", TEscapeCode::ecEraseLineFrom},
    {"\033[2K", TEscapeCode::ecEraseLine},
    {"\033[1K", TEscapeCode::ecEraseLineTo},
    {"\033[3K", TEscapeCode::ecUnknown},
    {"\033[g", TEscapeCode::ecClearTab},
    {"\033[0g", TEscapeCode::ecClearTab},
    {"\033[3g", TEscapeCode::ecClearAllTabs},
    {"\033[2g", TEscapeCode::ecUnknown},
    {"\033[c", TEscapeCode::ecIdentify},
    {"\033[0c", TEscapeCode::ecIdentify},
    {"\033[00c", TEscapeCode::ecUnknown},
    {"\033[0;0c", TEscapeCode::ecUnknown},
    {"\033[5n", TEscapeCode::ecQueryDevice},
    {"\033[6n", TEscapeCode::ecQueryCursorPos},
    {"\033[0n", TEscapeCode::ecReportDeviceOK},
    {"\033[3n", TEscapeCode::ecReportDeviceFailure},
    {"\033[n", TEscapeCode::ecUnknown},
    {"\033[7n", TEscapeCode::ecUnknown},
};

} // namespace

TEST(EscapeCodesVT100, EachSequenceYieldsItsCode) {
    for (const auto& [bytes, code] : CodeRows) {
        SCOPED_TRACE(testing::PrintToString(std::string(bytes)));
        EXPECT_EQ(CodeOf(bytes), code);
    }
}

TEST(EscapeCodesVT100, HashAndOWaitForOneMoreByte) {
    TEscapeCodesVT100 dec;
    EXPECT_EQ(Decode(dec, "\033#").Codes, 0);
    EXPECT_TRUE(dec.InSequence());
    EXPECT_EQ(Decode(dec, "8").Code, TEscapeCode::ecTest);
    EXPECT_EQ(Decode(dec, "\033O").Codes, 0);
    EXPECT_TRUE(dec.InSequence());
    EXPECT_FALSE(dec.InExtSequence());
    EXPECT_EQ(Decode(dec, "A\033)").Codes, 1);
    EXPECT_TRUE(dec.InSequence());
    const Decoded d = Decode(dec, "0x");
    EXPECT_EQ(d.Code, TEscapeCode::ecCharacterSet);
    EXPECT_EQ(d.Chars, "x");
}

TEST(EscapeCodesVT100, ParametersSplitAtSemicolons) {
    const std::pair<std::string, Params> rows[] = {
        {"5;10", {"5", "10"}},
        {"", {}},
        {"?1", {"?1"}},
        {"5;", {"5"}},
        // A ';' met on a still empty field is taken into that field.
        {";5", {";5"}},
        {"1;;2", {"1", ";2"}},
    };
    for (const auto& [text, params] : rows)
        EXPECT_EQ(TEscapeCodesVT100::SplitParams(text), params) << text;

    TEscapeCodesVT100 dec;
    const Decoded d = Decode(dec, "\033[12;34H");
    EXPECT_EQ(d.P, (Params{"12", "34"}));
}

TEST(EscapeCodesVT100, ParameterValues) {
    const Params p{"12", "0", "x", "?1", "-3", "99999999999", ""};
    // Parameter number -> value; 1 where the parameter is no number (3, 4), out of range
    // (6), empty (7) or missing (8, 0).
    const std::pair<int, int> rows[] = {{1, 12}, {2, 0}, {3, 1}, {4, 1}, {5, -3},
                                        {6, 1},  {7, 1}, {8, 1}, {0, 1}};
    for (const auto& [number, value] : rows)
        EXPECT_EQ(TEscapeCodes::GetParam(number, p), value) << "parameter " << number;
}

TEST(EscapeCodesVT100, EverythingButAFinalByteIsCollectedInsideBrackets) {
    TEscapeCodesVT100 dec;
    Decoded d = Decode(dec, "\033[1\r\n\0332");
    EXPECT_EQ(d.Codes, 0);
    EXPECT_TRUE(dec.InExtSequence());
    EXPECT_EQ(dec.Data(), "[1\r\n\0332");
    d = Decode(dec, "mZ");
    EXPECT_EQ(d.Code, TEscapeCode::ecAttributes);
    EXPECT_EQ(d.Chars, "Z");
    EXPECT_FALSE(dec.InSequence());
}

TEST(EscapeCodesVT100, LongRunOfDigitsStaysOpenUntilALetter) {
    TEscapeCodesVT100 dec;
    Decoded d = Decode(dec, "\033[" + std::string(100, '1'));
    EXPECT_EQ(d.Codes, 0);
    EXPECT_EQ(d.Chars, "");
    d = Decode(dec, "Hx");
    EXPECT_EQ(d.Code, TEscapeCode::ecCursorHome);
    EXPECT_EQ(d.Chars, "x");
}

TEST(EscapeCodesVT100, SequenceAtTheBoundStillDecodes) {
    // '[' + 254 characters + the final letter: exactly the longest text kept.
    std::string seq = "\033[" + std::string(TEscapeCodesVT100::MaxSequenceLength - 3, '0') + "5A";
    ASSERT_EQ(seq.size() - 1, TEscapeCodesVT100::MaxSequenceLength);
    TEscapeCodesVT100 dec;
    const Decoded d = Decode(dec, seq);
    EXPECT_EQ(d.Code, TEscapeCode::ecCursorUp);
    EXPECT_EQ(TEscapeCodes::GetParam(1, d.P), 5);
}

TEST(EscapeCodesVT100, EndlessSequenceIsBoundedAndDroppedAsUnknown) {
    TEscapeCodesVT100 dec;
    Decode(dec, "\033[");
    for (int i = 0; i < 100000; ++i)
        Decode(dec, "1;");
    EXPECT_TRUE(dec.InSequence());
    EXPECT_LE(dec.Data().size(), TEscapeCodesVT100::MaxSequenceLength);
    EXPECT_LE(dec.Data().capacity(), 4 * TEscapeCodesVT100::MaxSequenceLength);
    // The final byte ends it, as unknown, without parameters; what follows is plain.
    const Decoded d = Decode(dec, "~ok\033[2A");
    EXPECT_EQ(d.Codes, 2);
    EXPECT_EQ(d.Chars, "ok");
    EXPECT_EQ(d.Code, TEscapeCode::ecCursorUp);

    TEscapeCodesVT100 dec2;
    const Decoded over = Decode(dec2, "\033[" + std::string(300, '2') + "J");
    EXPECT_EQ(over.Codes, 1);
    EXPECT_EQ(over.Code, TEscapeCode::ecUnknown);
    EXPECT_TRUE(over.P.empty());
}

TEST(EscapeCodesVT100, CodesToText) {
    TEscapeCodesVT100 dec;
    EXPECT_EQ(dec.EscCodeToStr(TEscapeCode::ecIdentResponse, {"2"}), "\033[?1;2c");
    EXPECT_EQ(dec.EscCodeToStr(TEscapeCode::ecReportDeviceOK, {}), "\033[0n");
    EXPECT_EQ(dec.EscCodeToStr(TEscapeCode::ecReportCursorPos, {"3", "7"}), "\033[3;7R");
    EXPECT_EQ(dec.EscCodeToStr(TEscapeCode::ecCursorUp, {}), "\033[A");
    EXPECT_EQ(dec.EscCodeToStr(TEscapeCode::ecCursorUp, {"4"}), "\033[4A");
    EXPECT_EQ(dec.EscCodeToStr(TEscapeCode::ecAppCursorLeft, {}), "\033OD");
    EXPECT_EQ(dec.EscCodeToStr(TEscapeCode::ecUnknown, {}), "");
    // Every text decodes back to its own code.
    for (auto code :
         {TEscapeCode::ecCursorHome, TEscapeCode::ecCursorMove, TEscapeCode::ecEraseLine,
          TEscapeCode::ecEraseScreen, TEscapeCode::ecClearAllTabs, TEscapeCode::ecQueryDevice,
          TEscapeCode::ecQueryCursorPos, TEscapeCode::ecTest, TEscapeCode::ecSaveCaretAndAttr,
          TEscapeCode::ecReset, TEscapeCode::ecSetTab, TEscapeCode::ecIdentify,
          TEscapeCode::ecReverseLineFeed, TEscapeCode::ecIndex, TEscapeCode::ecNextLine,
          TEscapeCode::ecEraseLineTo, TEscapeCode::ecEraseScreenTo, TEscapeCode::ecCharacterSet}) {
        EXPECT_EQ(CodeOf(dec.EscCodeToStr(code, {"2", "5"})), code) << EscapeCodeName(code);
    }
}
