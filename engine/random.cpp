#include "engine/random.h"

#include "engine/error.h"

namespace fablewick {

RandomSource::RandomSource() {
  std::random_device device;
  std::seed_seq seq{device(), device(), device(), device()};
  generator_.seed(seq);
}

void RandomSource::Seed(uint64_t seed) { generator_.seed(seed); }

uint64_t RandomSource::Below(uint64_t bound) {
  // The high half of draw * bound is uniform once the draws whose low half falls below
  // 2^64 mod bound are rejected; the remainder is worked out only in that rare case, so most
  // draws take no division.
  unsigned __int128 product = static_cast<unsigned __int128>(generator_()) * bound;
  if (static_cast<uint64_t>(product) < bound) {
    const uint64_t threshold = (0 - bound) % bound;
    while (static_cast<uint64_t>(product) < threshold) {
      product = static_cast<unsigned __int128>(generator_()) * bound;
    }
  }
  return static_cast<uint64_t>(product >> 64);
}

int32_t RandomSource::Between(int16_t low, int16_t high) {
  const int32_t span = int32_t{high} - int32_t{low} + 1;
  if (span < INT16_MIN || span > INT16_MAX) throw EngineError(kOverflow);
  if (span == 0) return low;
  if (span > 0) return low + static_cast<int32_t>(Below(static_cast<uint64_t>(span)));
  return low + span + static_cast<int32_t>(Below(static_cast<uint64_t>(-span)));
}

}  // namespace fablewick
