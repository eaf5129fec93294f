#pragma once

#include <cstdint>
#include <random>

namespace paarix {

// The top 24 of 32 random bits as k / 2^24: exact in single precision, so the
// result lies in [0, 1) and the largest value is 1 - 2^-24.
constexpr float unitFromBits(uint32_t bits) { return static_cast<float>(bits >> 8) / 16777216.0f; }

// Source of the single-precision values 0 <= r < 1 that the deal draws from.
class Zufallsquelle {
 public:
  virtual ~Zufallsquelle() = default;
  // Called at the start of every deal.
  virtual void NeuSaeen() = 0;
  virtual float Naechste() = 0;
};

// The program's own source: a Mersenne twister re-seeded from the clock at every
// deal. Each value is k / 2^24 for 24 random bits k, so it can never reach 1.
class UhrZufall final : public Zufallsquelle {
 public:
  void NeuSaeen() override;
  float Naechste() override;

 private:
  std::mt19937 generator_;
};

}  // namespace paarix
