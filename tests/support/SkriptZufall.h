#pragma once

#include <random>
#include <utility>
#include <vector>

#include "Zufall.h"

namespace paarix::test {

// A random source that plays back given values, then goes on with a seeded generator; it
// counts its seedings. The window tests deal with it too.
struct SkriptZufall : Zufallsquelle {
  explicit SkriptZufall(std::vector<float> werte = {}, unsigned seed = 1) : skript(std::move(werte)), rng(seed) {}
  void NeuSaeen() override { ++saaten; }
  float Naechste() override { return next < skript.size() ? skript[next++] : unitFromBits(uint32_t(rng())); }
  void Skript(std::vector<float> werte) {
    skript = std::move(werte);
    next = 0;
  }
  std::vector<float> skript;
  size_t next = 0;
  std::mt19937 rng;
  int saaten = 0;
};

}  // namespace paarix::test
