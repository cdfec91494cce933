#pragma once
// The scroll-back: the rows that scrolled off the top of the screen, oldest first, up to
// a limit; beyond it the oldest rows are dropped. Rows keep the cells (and so the
// colours and underline) they had, and the width the screen had then.

#include "ComTermChar.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace vesk {

class TComTermHistory {
  public:
    static constexpr int DefaultLimit = 5000;

    explicit TComTermHistory(int limit = DefaultLimit) : FLimit(limit < 0 ? 0 : limit) {}

    int Limit() const { return FLimit; }
    int Count() const { return int(FRows.size()); }
    // Rows dropped from the front since the start, so that a row keeps its number
    // (dropped + index) while the history moves on.
    int64_t Dropped() const { return FDropped; }

    void Push(std::vector<TComTermChar> row);
    void Clear();
    // Row `index` from 0 (oldest); a cell beyond its width reads as an empty cell.
    const TComTermChar& Cell(int column, int index) const;
    int Width(int index) const;

  private:
    int FLimit;
    int64_t FDropped = 0;
    std::deque<std::vector<TComTermChar>> FRows;
};

} // namespace vesk
