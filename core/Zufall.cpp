#include "Zufall.h"

#include <chrono>
#include <cstdint>

namespace paarix {

void UhrZufall::NeuSaeen() {
  const auto wall = std::chrono::system_clock::now().time_since_epoch().count();
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  std::seed_seq seed{static_cast<uint32_t>(wall), static_cast<uint32_t>(wall >> 32), static_cast<uint32_t>(ticks),
                     static_cast<uint32_t>(ticks >> 32)};
  generator_.seed(seed);
}

float UhrZufall::Naechste() { return unitFromBits(static_cast<uint32_t>(generator_())); }

}  // namespace paarix
