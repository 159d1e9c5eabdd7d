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
  // Rejection sampling on the top of the range keeps every value equally likely.
  const uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
  uint64_t draw;
  do {
    draw = generator_();
  } while (draw >= limit);
  return draw % bound;
}

int32_t RandomSource::Between(int16_t low, int16_t high) {
  const int32_t span = int32_t{high} - int32_t{low} + 1;
  if (span < INT16_MIN || span > INT16_MAX) throw EngineError(kOverflow);
  if (span == 0) return low;
  if (span > 0) return low + static_cast<int32_t>(Below(static_cast<uint64_t>(span)));
  return low + span + static_cast<int32_t>(Below(static_cast<uint64_t>(-span)));
}

}  // namespace fablewick
