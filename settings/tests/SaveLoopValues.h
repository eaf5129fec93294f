#pragma once

#include <cstdint>

namespace paarix::test {

// The values that save number k of the save loop writes: each save differs
// from the one before it.
struct SaveLoopWerte {
  int16_t brl;
  int16_t anzahl;
  int16_t reserve;
};

inline SaveLoopWerte SaveLoopValues(long k) {
  return {static_cast<int16_t>(k % 3), static_cast<int16_t>(k % 4), static_cast<int16_t>(k % 30011 - 15000)};
}

}  // namespace paarix::test
