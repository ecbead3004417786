// The sort both statistics grids use. Rows whose keys compare equal are not
// put in any further order: where they end up is decided by this procedure
// (a partition exchange around the middle row of each range), and that is
// the order the user sees, so it must not be replaced by a library sort.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace kestle {

// Sorts `a` so that compare(x, y) < 0 puts x before y. `compare` returns a
// negative, zero or positive int and must be a total preorder over the rows
// (it is a function of fixed keys), which keeps both scans inside their
// range: each stops at the latest at the pivot row or at a row swapped past
// it.
template <typename T, typename Compare>
void PartitionSort(std::vector<T>& a, Compare compare) {
  if (a.size() < 2) return;
  // Ranges still to sort. The left part of a partition is sorted on its own
  // and the right part continues the loop; both are disjoint, so the order
  // in which they are done does not change the result.
  std::vector<std::pair<ptrdiff_t, ptrdiff_t>> pending;
  pending.emplace_back(0, static_cast<ptrdiff_t>(a.size()) - 1);
  while (!pending.empty()) {
    auto [left, right] = pending.back();
    pending.pop_back();
    for (;;) {
      ptrdiff_t i = left, j = right;
      const T pivot = a[static_cast<size_t>((left + right) / 2)];
      do {
        while (compare(a[static_cast<size_t>(i)], pivot) < 0) ++i;
        while (compare(a[static_cast<size_t>(j)], pivot) > 0) --j;
        if (i <= j) {
          std::swap(a[static_cast<size_t>(i)], a[static_cast<size_t>(j)]);
          ++i;
          --j;
        }
      } while (i <= j);
      if (left < j) pending.emplace_back(left, j);
      left = i;
      if (i >= right) break;
    }
  }
}

}  // namespace kestle
