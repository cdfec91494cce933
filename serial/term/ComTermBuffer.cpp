#include "ComTermBuffer.h"

#include <algorithm>

namespace vesk {

TComTermBuffer::TComTermBuffer(int columns, int rows) : FColumns(0), FRows(0) {
    Resize(columns, rows);
}

void TComTermBuffer::Resize(int columns, int rows) {
    FColumns = std::max(columns, 1);
    FRows = std::max(rows, 1);
    FCells.assign(std::size_t(FColumns) * std::size_t(FRows), TComTermChar{});
    FTabs.assign(std::size_t(FColumns), false);
    ResetTabs();
}

void TComTermBuffer::Init(const TComTermChar& blank) {
    std::fill(FCells.begin(), FCells.end(), blank);
    ResetTabs();
}

bool TComTermBuffer::Contains(int column, int row) const {
    return column >= 1 && column <= FColumns && row >= 1 && row <= FRows;
}

std::size_t TComTermBuffer::Index(int column, int row) const {
    return std::size_t(row - 1) * std::size_t(FColumns) + std::size_t(column - 1);
}

const TComTermChar& TComTermBuffer::GetChar(int column, int row) const {
    static const TComTermChar empty{};
    return Contains(column, row) ? FCells[Index(column, row)] : empty;
}

void TComTermBuffer::SetChar(int column, int row, const TComTermChar& ch) {
    if (Contains(column, row)) FCells[Index(column, row)] = ch;
}

std::string TComTermBuffer::RowText(int row) const {
    std::string text;
    if (row < 1 || row > FRows) return text;
    for (int col = 1; col <= FColumns; ++col) {
        const unsigned char ch = FCells[Index(col, row)].Ch;
        text += ch ? char(ch) : ' ';
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

void TComTermBuffer::ScrollUp(const TComTermChar& blank) {
    std::move(FCells.begin() + FColumns, FCells.end(), FCells.begin());
    std::fill(FCells.end() - FColumns, FCells.end(), blank);
}

void TComTermBuffer::ScrollDown(const TComTermChar& blank) {
    std::move_backward(FCells.begin(), FCells.end() - FColumns, FCells.end());
    std::fill(FCells.begin(), FCells.begin() + FColumns, blank);
}

void TComTermBuffer::EraseLineFrom(int column, int row, const TComTermChar& blank) {
    if (row < 1 || row > FRows) return;
    for (int col = std::max(column, 1); col <= FColumns; ++col)
        FCells[Index(col, row)] = blank;
}

void TComTermBuffer::EraseScreenFrom(int column, int row, const TComTermChar& blank) {
    EraseLineFrom(column, row, blank);
    for (int r = std::max(row + 1, 1); r <= FRows; ++r)
        EraseLine(r, blank);
}

void TComTermBuffer::EraseLineTo(int column, int row, const TComTermChar& blank) {
    if (row < 1 || row > FRows) return;
    for (int col = 1; col <= std::min(column, FColumns); ++col)
        FCells[Index(col, row)] = blank;
}

void TComTermBuffer::EraseScreenTo(int column, int row, const TComTermChar& blank) {
    for (int r = 1; r < std::min(row, FRows + 1); ++r)
        EraseLine(r, blank);
    EraseLineTo(column, row, blank);
}

void TComTermBuffer::EraseLine(int row, const TComTermChar& blank) {
    EraseLineFrom(1, row, blank);
}

void TComTermBuffer::EraseScreen(const TComTermChar& blank) {
    Fill(blank);
}

void TComTermBuffer::Fill(const TComTermChar& ch) {
    std::fill(FCells.begin(), FCells.end(), ch);
}

void TComTermBuffer::ResetTabs() {
    // Stops at columns 1, 9, 17, ...
    for (int col = 1; col <= FColumns; ++col)
        FTabs[std::size_t(col - 1)] = (col - 1) % 8 == 0;
}

void TComTermBuffer::SetTab(int column, bool set) {
    if (column >= 1 && column <= FColumns) FTabs[std::size_t(column - 1)] = set;
}

bool TComTermBuffer::GetTab(int column) const {
    return column >= 1 && column <= FColumns && FTabs[std::size_t(column - 1)];
}

void TComTermBuffer::ClearAllTabs() {
    std::fill(FTabs.begin(), FTabs.end(), false);
}

int TComTermBuffer::NextTab(int column) const {
    for (int col = std::max(column + 1, 1); col <= FColumns; ++col)
        if (FTabs[std::size_t(col - 1)]) return col;
    return 0;
}

} // namespace vesk
