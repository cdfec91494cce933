// Terminal: arbitrary received bytes through `RxBuf`. The first byte chooses how the
// rest is cut into chunks (serial reads cut sequences anywhere), the second the
// terminal's options. Checked after every chunk: the caret stays on the screen and
// every reported change lies on it. At the end, the chunked terminal must show the
// same screen and have sent the same replies as one fed everything at once.
#include "FuzzSupport.h"

#include "serial/term/ComTerminalModel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct TTerminal {
    vesk::TComTerminalModel T;
    std::string Sent;

    explicit TTerminal(uint8_t options) {
        T.OnSend = [this](std::string_view bytes) {
            Sent += bytes;
            return true;
        };
        T.OnChanged = [this](const vesk::TTermChange& change) {
            if (change.Kind == vesk::TTermChangeKind::Cell) {
                VESK_FUZZ_CHECK(change.Column >= 1 && change.Column <= T.Columns());
                VESK_FUZZ_CHECK(change.Row >= 1 && change.Row <= T.Rows());
            }
        };
        T.OnUnhandledCode = [](vesk::TEscapeCode, const std::string&) {};
        switch (options & 3) {
        case 1:
            T.SetEmulation(vesk::TTermEmulation::teVT52);
            break;
        case 2:
            T.SetEmulation(vesk::TTermEmulation::teNone);
            break;
        default:
            break;
        }
        T.SetAppendLF(options & 4);
        T.SetWrapLines(options & 8);
        T.SetForce7Bit(options & 16);
        if (options & 32) {
            // The smallest screen: every movement reaches an edge.
            T.SetColumns(2);
            T.SetRows(2);
        } else if (options & 64) {
            T.SetColumns(vesk::TComTerminalModel::MaxColumns);
            T.SetRows(3);
        }
    }

    void CheckCaret() const {
        VESK_FUZZ_CHECK(T.CaretColumn() >= 1 && T.CaretColumn() <= T.Columns());
        VESK_FUZZ_CHECK(T.CaretRow() >= 1 && T.CaretRow() <= T.Rows());
        VESK_FUZZ_CHECK(T.CaretVisible());
        VESK_FUZZ_CHECK(T.Columns() >= vesk::TComTerminalModel::MinColumns &&
                        T.Columns() <= vesk::TComTerminalModel::MaxColumns);
        VESK_FUZZ_CHECK(T.Rows() >= vesk::TComTerminalModel::MinRows &&
                        T.Rows() <= vesk::TComTerminalModel::MaxRows);
    }
};

bool SameScreen(const TTerminal& a, const TTerminal& b) {
    if (a.T.Columns() != b.T.Columns() || a.T.Rows() != b.T.Rows()) return false;
    if (a.T.CaretColumn() != b.T.CaretColumn() || a.T.CaretRow() != b.T.CaretRow()) return false;
    if (a.T.Bold() != b.T.Bold() || a.T.Underline() != b.T.Underline() || a.T.Reverse() != b.T.Reverse())
        return false;
    if (a.T.CaretEnabled() != b.T.CaretEnabled()) return false;
    for (int row = 1; row <= a.T.Rows(); ++row)
        for (int column = 1; column <= a.T.Columns(); ++column)
            if (!(a.T.Cell(column, row) == b.T.Cell(column, row))) return false;
    return a.Sent == b.Sent;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const uint8_t chunking = data[0];
    const uint8_t options = data[1];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

    TTerminal chunked(options);
    // Chunk sizes from a small generator seeded by the first byte: 0 means byte by
    // byte, otherwise lengths of 1 .. chunking.
    uint32_t state = chunking * 2654435761u + 1;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t length = 1;
        if (chunking != 0) {
            state = state * 1664525u + 1013904223u;
            length = 1 + (state >> 16) % chunking;
        }
        chunked.T.RxBuf(bytes.substr(at, length));
        chunked.CheckCaret();
        at += length;
    }
    // A reply is a few bytes for every sequence that asks for one.
    VESK_FUZZ_CHECK(chunked.Sent.size() <= 32 * (bytes.size() + 1));

    TTerminal whole(options);
    whole.T.RxBuf(bytes);
    whole.CheckCaret();
    VESK_FUZZ_CHECK(SameScreen(chunked, whole));
    return 0;
}
