#pragma once
// A terminal under test: bytes go in with Push, the screen and what the terminal sent
// to the line come out.

#include "ComTerminalModel.h"

#include <string>
#include <string_view>
#include <vector>

namespace vesk::test {

struct TermScript {
    TComTerminalModel T;
    std::string Sent;     // everything sent to the line
    bool PortOpen = true; // false: the line refuses, as with no open port
    std::vector<std::pair<TEscapeCode, std::string>> Unhandled;

    TermScript() {
        T.OnSend = [this](std::string_view bytes) {
            if (!PortOpen) return false;
            Sent += bytes;
            return true;
        };
        T.OnUnhandledCode = [this](TEscapeCode code, const std::string& text) {
            Unhandled.emplace_back(code, text);
        };
    }

    TermScript& Push(std::string_view bytes) {
        T.Write(bytes);
        return *this;
    }

    std::string Row(int row) const { return T.RowText(row); }
    std::pair<int, int> Caret() const { return {T.CaretRow(), T.CaretColumn()}; } // row, column
    bool ScreenEmpty() const {
        for (int r = 1; r <= T.Rows(); ++r)
            if (!T.RowText(r).empty()) return false;
        return true;
    }
    // Row r filled with a letter per row ("A" on row 1, "B" on row 2, ...).
    void FillRows() {
        for (int r = 1; r <= T.Rows(); ++r) {
            T.MoveCaret(1, r);
            T.PutChar(static_cast<unsigned char>('A' + (r - 1) % 26));
        }
    }
};

} // namespace vesk::test
