#pragma once
// The terminal screen: Columns x Rows cells addressed from (1,1), stored row after
// row, and one tab-stop flag per column.

#include "ComTermChar.h"

#include <string>
#include <vector>

namespace vesk {

class TComTermBuffer {
  public:
    TComTermBuffer(int columns = 80, int rows = 24);

    int Columns() const { return FColumns; }
    int Rows() const { return FRows; }

    // Reallocates the screen with a new size; all cells empty, tab stops reset.
    void Resize(int columns, int rows);

    // Empties every cell (in the given empty-cell look) and resets the tab stops.
    void Init(const TComTermChar& blank = {});

    // Cell access; positions outside the screen read as an empty cell and are not written.
    bool Contains(int column, int row) const;
    const TComTermChar& GetChar(int column, int row) const;
    void SetChar(int column, int row, const TComTermChar& ch);

    // The characters of one row, empty cells as spaces, trailing spaces removed.
    std::string RowText(int row) const;

    // Moves every row one up, the last row becomes empty.
    void ScrollUp(const TComTermChar& blank = {});
    // Moves every row one down, the first row becomes empty.
    void ScrollDown(const TComTermChar& blank = {});

    // Clears cells from (column,row) to the end of that line / to the end of the screen.
    void EraseLineFrom(int column, int row, const TComTermChar& blank = {});
    void EraseScreenFrom(int column, int row, const TComTermChar& blank = {});
    // Clears cells from the start of that line / of the screen up to (column,row), inclusive.
    void EraseLineTo(int column, int row, const TComTermChar& blank = {});
    void EraseScreenTo(int column, int row, const TComTermChar& blank = {});
    void EraseLine(int row, const TComTermChar& blank = {});
    void EraseScreen(const TComTermChar& blank = {});
    void Fill(const TComTermChar& ch);

    // Tab stops: every 8 columns from column 1 after Init.
    void ResetTabs();
    void SetTab(int column, bool set);
    bool GetTab(int column) const;
    void ClearAllTabs();
    // Next tab stop right of column, or 0 when there is none.
    int NextTab(int column) const;

  private:
    std::size_t Index(int column, int row) const;

    int FColumns;
    int FRows;
    std::vector<TComTermChar> FCells;
    std::vector<bool> FTabs;
};

} // namespace vesk
