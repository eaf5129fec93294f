#pragma once

#include <random>
#include <utility>
#include <vector>

#include "Zufall.h"

namespace paarix::test {

// A random source that plays back given values, then goes on with a seeded generator.
// The window's tests deal with it too.
class SkriptZufall : public Zufallsquelle {
 public:
  explicit SkriptZufall(std::vector<float> skript = {}, unsigned seed = 1) : skript_(std::move(skript)), rng_(seed) {}
  void NeuSaeen() override { ++saaten; }
  float Naechste() override { return next_ < skript_.size() ? skript_[next_++] : unitFromBits(uint32_t(rng_())); }
  void Skript(std::vector<float> werte) { skript_ = std::move(werte), next_ = 0; }
  int saaten = 0;

 private:
  std::vector<float> skript_;
  size_t next_ = 0;
  std::mt19937 rng_;
};

}  // namespace paarix::test
