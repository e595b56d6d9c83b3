#pragma once
#include <set>
#include <utility>

#include "controls/kernel_grid.h"

// The set cells of a kernel grid as (x, y) pairs.
using Cell = std::pair<int, int>;

inline std::set<Cell> SetCells(const controls::KernelGrid& g) {
    std::set<Cell> cells;
    for (int x = 0; x < controls::KernelGrid::kSize; ++x)
        for (int y = 0; y < controls::KernelGrid::kSize; ++y)
            if (g.GetCell(x, y))
                cells.insert({x, y});
    return cells;
}
