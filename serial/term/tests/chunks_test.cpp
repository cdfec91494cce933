// Serial reads cut sequences anywhere: every way of cutting a script into two or
// three chunks, or feeding it byte by byte, gives the same screen and replies.

#include "TermScript.h"

#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::TermScript;

namespace {

const std::string Script =
    "AB\r\nC\033[1;4;7mbold\033[m\033(B\033)0\033[3~y\033[38;5;4m\033[38;2;1;4;7mz\033[1K\033M"
    "\033D\033E\033[?25l\033[1;22m\033[2;2H\033[1J\033[?3l\033[5;10Hx\033[2A\033OB\033#8\033[2J"
    "\033[3;7H\033[6n\033[c\033[5n\033[32mgreen\033[?1h\033[7h\033[K\033[1;5H\033H\t"
    "\0337\033[20;20H\0338\033[s\033[u\033[" +
    std::string(300, '9') +
    "Hafter\033[J"
    "\033[?3h\033[2;130Hwide\033[?3lend\033[3g\033[0c\033[99;99H\033[6n";

struct Snapshot {
    std::vector<TComTermChar> Cells;
    int Columns, Row, Column;
    bool Bold, Underline, Reverse, App, Wrap, CaretOn;
    std::string Sent;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const TermScript& s) {
    Snapshot snap{{},
                  s.T.Columns(),
                  s.T.CaretRow(),
                  s.T.CaretColumn(),
                  s.T.Bold(),
                  s.T.Underline(),
                  s.T.Reverse(),
                  s.T.AppCursorKeys(),
                  s.T.WrapLines(),
                  s.T.CaretEnabled(),
                  s.Sent};
    for (int r = 1; r <= s.T.Rows(); ++r)
        for (int c = 1; c <= s.T.Columns(); ++c)
            snap.Cells.push_back(s.T.Cell(c, r));
    return snap;
}

Snapshot Feed(const std::vector<std::string_view>& chunks) {
    TermScript s;
    for (auto chunk : chunks)
        s.Push(chunk);
    return Take(s);
}

} // namespace

TEST(TermChunks, WholeScriptReference) {
    const Snapshot whole = Feed({Script});
    EXPECT_EQ(whole.Sent, "\033[3;7R\033[?1;2c\033[0n\033[?1;2c\033[24;80R");
    EXPECT_TRUE(whole.App);
    EXPECT_FALSE(whole.CaretOn);
    EXPECT_EQ(whole.Columns, 80);
}

TEST(TermChunks, EveryTwoWayCutDecodesTheSame) {
    const Snapshot whole = Feed({Script});
    const std::string_view all = Script;
    for (std::size_t cut = 0; cut <= all.size(); ++cut)
        ASSERT_EQ(Feed({all.substr(0, cut), all.substr(cut)}), whole) << "cut at " << cut;
}

TEST(TermChunks, ByteByByteAndThreeWayCutsDecodeTheSame) {
    const Snapshot whole = Feed({Script});
    const std::string_view all = Script;
    std::vector<std::string_view> bytes;
    for (std::size_t i = 0; i < all.size(); ++i)
        bytes.push_back(all.substr(i, 1));
    EXPECT_EQ(Feed(bytes), whole);
    // Cuts inside the leading part where the short sequences are dense.
    for (std::size_t a = 0; a < 120; a += 3)
        for (std::size_t b = a; b < 160; b += 5)
            ASSERT_EQ(Feed({all.substr(0, a), all.substr(a, b - a), all.substr(b)}), whole)
                << "cuts at " << a << ", " << b;
}
