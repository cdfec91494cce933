#include "ComTermHistory.h"

#include <cstddef>
#include <utility>

namespace vesk {

void TComTermHistory::Push(std::vector<TComTermChar> row) {
    if (FLimit == 0) {
        ++FDropped;
        return;
    }
    if (Count() == FLimit) {
        FRows.pop_front();
        ++FDropped;
    }
    FRows.push_back(std::move(row));
}

void TComTermHistory::Clear() {
    FDropped += Count();
    FRows.clear();
}

const TComTermChar& TComTermHistory::Cell(int column, int index) const {
    static const TComTermChar empty{};
    if (index < 0 || index >= Count()) return empty;
    const std::vector<TComTermChar>& row = FRows[std::size_t(index)];
    return column >= 1 && column <= int(row.size()) ? row[std::size_t(column - 1)] : empty;
}

int TComTermHistory::Width(int index) const {
    return index >= 0 && index < Count() ? int(FRows[std::size_t(index)].size()) : 0;
}

} // namespace vesk
