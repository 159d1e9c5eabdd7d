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
  int32_t Between(int16_t low, int16_t high) {
    const int32_t span = int32_t{high} - int32_t{low} + 1;
    if (span <= 0 || span > INT16_MAX) return OtherSpan(low, span);
    return low + static_cast<int32_t>(Below(static_cast<uint64_t>(span)));
  }

 private:
  // Uniform in [0, bound) without modulo bias. The high half of draw * bound is uniform once
  // the draws whose low half falls below 2^64 mod bound are rejected; the remainder is worked
  // out only in that rare case, so most draws take no division.
  uint64_t Below(uint64_t bound) {
    unsigned __int128 product = static_cast<unsigned __int128>(generator_()) * bound;
    if (static_cast<uint64_t>(product) < bound) product = Redraw(product, bound);
    return static_cast<uint64_t>(product >> 64);
  }
  unsigned __int128 Redraw(unsigned __int128 product, uint64_t bound);
  // Between for a span of 0 or less, or one too wide.
  int32_t OtherSpan(int16_t low, int32_t span);

  std::mt19937_64 generator_;
};

}  // namespace fablewick
