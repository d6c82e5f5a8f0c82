// The component's one way of turning a part of a whole into a percentage.
#pragma once

#include <algorithm>
#include <cstdint>

namespace zip {

// Percentage of part in whole, rounded to the nearest integer with halves to even, at most
// 100, 0 when the whole is 0 or less.
inline int PercentOf(int64_t part, int64_t whole) {
  if (whole <= 0) return 0;
  int64_t scaled = part * 100;
  int64_t q = scaled / whole, r = scaled % whole;
  if (2 * r > whole || (2 * r == whole && (q & 1))) ++q;
  return static_cast<int>(std::min<int64_t>(q, 100));
}

}  // namespace zip
