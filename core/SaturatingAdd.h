#pragma once

#include <cstdint>
#include <limits>

namespace paarix {

// Every counter of the game is a 16-bit signed integer. Additions saturate at the
// type's limits instead of wrapping round.
constexpr int16_t saturatingAdd(int16_t a, int16_t b) {
  const int sum = int{a} + int{b};
  if (sum > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  if (sum < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(sum);
}

}  // namespace paarix
