#pragma once

#include <random>

namespace paarix {

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
