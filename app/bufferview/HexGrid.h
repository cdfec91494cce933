// The cells of the buffer view's hexadecimal dump, without any drawing.
//
// The grid knows nothing about chips, only about segments of consecutive word
// addresses. Each segment is a block of rows of `WordsPerRow` words; column 0 holds
// the row address, columns 1 to `WordsPerRow` the words, the last column one
// character per word. Blocks follow each other with one empty separator row.
//
// Cells are kept as numbers and turned into text only when asked for, so that a
// view can show a large chip without formatting every cell up front.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bufferview/Segment.h"

namespace vesk {

class THexGrid {
  public:
    THexGrid();

    // Empties the grid and the segment list, then SetFormat(3, 2, 8).
    void Clear();
    // Stores the format and lays out an empty grid of WordsPerRow + 2 columns and one
    // empty row. Cells and segments of an earlier format are dropped, as their rows no
    // longer mean anything. Throws vesk::Exception for a format that cannot be shown
    // (fewer than one word per row, negative byte counts, more than 8 bytes).
    void SetFormat(int32_t addressBytes, int32_t wordBytes, int32_t wordsPerRow);
    // Appends a block of rows for `size` words from word address `start`, one empty row
    // below the rows already shown, and writes `fill` into every word of it.
    void AddSegment(int32_t start, int32_t size, int32_t fill);
    // Writes one word into its cell, gives its row the row address and the character
    // column if they are still empty, and puts the word's character in its place.
    // Returns false, changing nothing, for an address in no segment.
    bool ShowWord(int32_t address, int32_t value);
    // Index of the first segment, in list order, holding the address; -1 if none.
    int FindSegment(int32_t address) const;

    const std::vector<Segment_t>& Segments() const { return FSegments; }
    int32_t AddressBytes() const { return FAddressBytes; }
    int32_t WordBytes() const { return FWordBytes; }
    int32_t WordsPerRow() const { return FWordsPerRow; }

    // Rows of the grid; an empty grid still has one empty row.
    int RowCount() const { return FRowCount; }
    int ColumnCount() const { return FWordsPerRow + 2; }
    int CharColumn() const { return FWordsPerRow + 1; }
    // Number of rows a segment occupies: every row of WordsPerRow addresses that holds
    // at least one of its words (none for an empty segment).
    int SegmentRows(const Segment_t& segment) const;
    // True for a row that belongs to no segment (the rows between blocks); never for the
    // empty row of a grid without segments.
    bool IsSeparatorRow(int row) const;

    // Text of a cell; "" for an empty cell or a cell outside the grid.
    std::string Cell(int column, int row) const;
    // A text as wide as the column should be in the grid's font: "0000000 :" for the
    // address column of the default format, "0000 :" for a word, "........ :" for the
    // characters (the digits or dots, then the separator " :").
    std::string ColumnSample(int column) const;
    // The text whose height, plus 2 pixels, is the row height.
    static const char* RowHeightSample() { return "W"; }

    // Words written by ShowWord since the last Clear or SetFormat. A rebuild of the
    // buffer view writes every word twice: once with its region's default when the
    // segment is added, once with the buffer's value.
    int64_t WordWrites() const { return FWordWrites; }

  private:
    static constexpr int64_t EmptyCell = -1;

    void SetRowCount(int rows);
    size_t CellIndex(int row, int64_t wordColumn) const {
        return static_cast<size_t>(row) * static_cast<size_t>(FWordsPerRow) + static_cast<size_t>(wordColumn);
    }

    std::vector<Segment_t> FSegments;
    int32_t FAddressBytes = 3;
    int32_t FWordBytes = 2;
    int32_t FWordsPerRow = 8;
    int FRowCount = 1;
    std::vector<int64_t> FRowAddress; // per row: address shown in column 0, or EmptyCell
    std::vector<uint32_t> FWords;     // per row and word column: value shown
    std::vector<uint8_t> FHasWord;    // per row and word column: the word cell is filled
    std::vector<char> FChars;         // per row and word column: character of the word
    std::vector<uint8_t> FHasChars;   // per row: character column filled
    int64_t FWordWrites = 0;
};

} // namespace vesk
