#include "bufferview/HexGrid.h"

#include <algorithm>
#include <limits>

#include "VESK_Exception.h"
#include "common/Text.h"

namespace vesk {

namespace {

// Division and remainder rounding towards minus infinity, so that row arithmetic stays
// right for any address, not only for non-negative ones.
int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
int64_t FloorMod(int64_t a, int64_t b) {
    return a - FloorDiv(a, b) * b;
}

// The character shown for a word: its low byte if printable ASCII, otherwise a full stop.
char WordChar(int32_t value) {
    const int low = value & 0xFF;
    return (low >= 0x20 && low <= 0x7E) ? static_cast<char>(low) : '.';
}

// Upper bound of the grid's rows; far beyond any chip (a region holds at most a few
// million words) and still small enough for the row index to stay an int.
constexpr int64_t MaxRows = std::numeric_limits<int>::max() / 2;

} // namespace

THexGrid::THexGrid() {
    Clear();
}

void THexGrid::Clear() {
    FSegments.clear();
    SetFormat(3, 2, 8);
}

void THexGrid::SetFormat(int32_t addressBytes, int32_t wordBytes, int32_t wordsPerRow) {
    if (addressBytes < 0 || addressBytes > 8 || wordBytes < 0 || wordBytes > 8 || wordsPerRow < 1 ||
        wordsPerRow > 256)
        throw Exception("Bad buffer view format");
    FAddressBytes = addressBytes;
    FWordBytes = wordBytes;
    FWordsPerRow = wordsPerRow;
    FSegments.clear();
    FRowAddress.clear();
    FWords.clear();
    FHasWord.clear();
    FChars.clear();
    FHasChars.clear();
    FWordWrites = 0;
    FRowCount = 0;
    SetRowCount(1); // a grid keeps at least one (empty) row
}

void THexGrid::SetRowCount(int rows) {
    FRowCount = std::max(rows, 1);
    const size_t r = static_cast<size_t>(FRowCount);
    const size_t cells = r * static_cast<size_t>(FWordsPerRow);
    FRowAddress.resize(r, EmptyCell);
    FHasChars.resize(r, 0);
    FWords.resize(cells, 0);
    FHasWord.resize(cells, 0);
    FChars.resize(cells, '.');
}

int THexGrid::SegmentRows(const Segment_t& segment) const {
    if (segment.Size <= 0) return 0;
    const int64_t last = int64_t{segment.Start} + segment.Size - 1;
    return static_cast<int>(FloorDiv(last, FWordsPerRow) - FloorDiv(segment.Start, FWordsPerRow) + 1);
}

void THexGrid::AddSegment(int32_t start, int32_t size, int32_t fill) {
    Segment_t segment{start, std::max(size, 0), fill, 0};
    // A trailing part row of the region gets a row of its own, so that every word is
    // shown and the row below a block is always empty.
    const int64_t rows = SegmentRows(segment);
    int64_t rowCount;
    if (FRowAddress[0] == EmptyCell) { // nothing shown yet: the block starts at the top
        segment.FirstRow = 0;
        rowCount = rows;
    } else { // one empty row separates the block from the one above
        segment.FirstRow = FRowCount + 1;
        rowCount = int64_t{FRowCount} + rows + 1;
    }
    if (rowCount > MaxRows) throw Exception("Too many rows for the buffer view");
    SetRowCount(static_cast<int>(rowCount));
    FSegments.push_back(segment);
    const int64_t end = int64_t{start} + segment.Size;
    for (int64_t address = start; address < end; ++address)
        ShowWord(static_cast<int32_t>(address), fill);
}

int THexGrid::FindSegment(int32_t address) const {
    for (size_t i = 0; i < FSegments.size(); ++i) {
        const Segment_t& s = FSegments[i];
        if (s.Start <= address && int64_t{address} < int64_t{s.Start} + s.Size) return static_cast<int>(i);
    }
    return -1;
}

bool THexGrid::ShowWord(int32_t address, int32_t value) {
    const int index = FindSegment(address);
    if (index < 0) return false;
    const Segment_t& s = FSegments[static_cast<size_t>(index)];
    // Row and column follow the absolute address, as the row address and the character
    // position do, so a region that does not start on a row boundary still shows each
    // word under the address its row names.
    const int64_t row = s.FirstRow + (FloorDiv(address, FWordsPerRow) - FloorDiv(s.Start, FWordsPerRow));
    if (row < 0 || row >= FRowCount) return false;
    const int64_t column = FloorMod(address, FWordsPerRow);
    const int r = static_cast<int>(row);
    const size_t cell = CellIndex(r, column);
    FWords[cell] = static_cast<uint32_t>(value);
    FHasWord[cell] = 1;
    if (FRowAddress[static_cast<size_t>(r)] == EmptyCell)
        FRowAddress[static_cast<size_t>(r)] = address - column;
    if (!FHasChars[static_cast<size_t>(r)]) {
        FHasChars[static_cast<size_t>(r)] = 1;
        std::fill_n(FChars.begin() + static_cast<std::ptrdiff_t>(CellIndex(r, 0)), FWordsPerRow, '.');
    }
    FChars[cell] = WordChar(value);
    ++FWordWrites;
    return true;
}

bool THexGrid::IsSeparatorRow(int row) const {
    // The empty row of a grid without segments separates nothing.
    if (row < 0 || row >= FRowCount || FSegments.empty()) return false;
    for (const Segment_t& s : FSegments)
        if (row >= s.FirstRow && row < s.FirstRow + SegmentRows(s)) return false;
    return true;
}

std::string THexGrid::Cell(int column, int row) const {
    if (row < 0 || row >= FRowCount || column < 0 || column > CharColumn()) return {};
    const size_t r = static_cast<size_t>(row);
    if (column == 0)
        return FRowAddress[r] == EmptyCell ? std::string() : Hex(FRowAddress[r], 2 * FAddressBytes) + ":";
    if (column == CharColumn()) {
        if (!FHasChars[r]) return {};
        const auto first = FChars.begin() + static_cast<std::ptrdiff_t>(CellIndex(row, 0));
        return std::string(first, first + FWordsPerRow);
    }
    const size_t cell = CellIndex(row, column - 1);
    return FHasWord[cell] ? Hex(FWords[cell], 2 * FWordBytes) : std::string();
}

std::string THexGrid::ColumnSample(int column) const {
    static const std::string Separator = " :";
    if (column == 0) return std::string(static_cast<size_t>(2 * FAddressBytes + 1), '0') + Separator;
    if (column == CharColumn()) return std::string(static_cast<size_t>(FWordsPerRow), '.') + Separator;
    if (column > 0 && column < CharColumn())
        return std::string(static_cast<size_t>(2 * FWordBytes), '0') + Separator;
    return {};
}

} // namespace vesk
