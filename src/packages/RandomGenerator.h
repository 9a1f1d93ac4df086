// The pseudo-random generator of the math package: a 64-bit split-mix
// sequence, so that the numbers drawn after a given seed are the same on every
// platform and standard library.
#pragma once

#include <cstdint>

namespace fxe {

class TRandomGenerator {
 public:
  // Seeded from the clock.
  TRandomGenerator() noexcept;
  explicit TRandomGenerator(std::int32_t seed) noexcept { Seed(seed); }

  void Seed(std::int32_t seed) noexcept;
  void SeedFromClock() noexcept;
  std::uint64_t Next() noexcept;
  // A uniformly drawn integer r with 0 <= r < bound; bound must be positive.
  std::uint32_t Below(std::uint32_t bound) noexcept;

 private:
  std::uint64_t state_ = 0;
};

}  // namespace fxe
