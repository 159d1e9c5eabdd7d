// A row of cells that are each painted once, in any order, with the next unpainted cell found in
// near-constant time (a union-find skip list with path halving). Used to give every roll, or
// every segment of rolls, to the first entry in file order whose range holds it, at a cost
// linear in the entries plus the cells.
#pragma once

#include <cstddef>
#include <numeric>
#include <vector>

namespace fablewick {

class UnpaintedCells {
 public:
  explicit UnpaintedCells(std::size_t count) : next_(count + 1) {
    std::iota(next_.begin(), next_.end(), 0);
  }

  // The first unpainted cell at or after `i`; the cell count when there is none.
  std::size_t From(std::size_t i) {
    while (next_[i] != i) {
      next_[i] = next_[next_[i]];
      i = next_[i];
    }
    return i;
  }

  // Paints cell `i`, which From gave and which is not painted yet.
  void Paint(std::size_t i) { next_[i] = i + 1; }

 private:
  std::vector<std::size_t> next_;
};

}  // namespace fablewick
