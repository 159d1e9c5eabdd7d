// The one source of randomness: whole numbers between two bounds, drawn from a seedable
// generator. The same seed gives the same sequence on the same build.
#pragma once

#include <cstdint>
#include <random>

namespace fablewick {

class RandomSource {
 public:
  // Seeded from the system's entropy.
  RandomSource();
  void Seed(uint64_t seed);

  // A whole number from low to high inclusive, each equally likely; draws are independent.
  // The span high - low + 1 is taken in 16-bit arithmetic: a span outside 16 bits fails with
  // an overflow. A span of 0 (high = low - 1) gives low; a negative span n gives one of the
  // |n| numbers from low + n to low - 1, mirroring the classic low + n * r reading.
  int32_t Between(int16_t low, int16_t high);

 private:
  // Uniform in [0, bound) without modulo bias.
  uint64_t Below(uint64_t bound);

  std::mt19937_64 generator_;
};

}  // namespace fablewick
