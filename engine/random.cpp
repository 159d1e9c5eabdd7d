#include "engine/random.h"

#include "engine/error.h"

namespace fablewick {

RandomSource::RandomSource() {
  std::random_device device;
  std::seed_seq seq{device(), device(), device(), device()};
  generator_.seed(seq);
}

void RandomSource::Seed(uint64_t seed) { generator_.seed(seed); }

unsigned __int128 RandomSource::Redraw(unsigned __int128 product, uint64_t bound) {
  const uint64_t threshold = (0 - bound) % bound;
  while (static_cast<uint64_t>(product) < threshold) {
    product = static_cast<unsigned __int128>(generator_()) * bound;
  }
  return product;
}

int32_t RandomSource::OtherSpan(int16_t low, int32_t span) {
  if (span < INT16_MIN || span > INT16_MAX) throw EngineError(kOverflow);
  if (span == 0) return low;
  return low + span + static_cast<int32_t>(Below(static_cast<uint64_t>(-span)));
}

}  // namespace fablewick
