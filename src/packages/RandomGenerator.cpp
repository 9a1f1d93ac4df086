// The split-mix generator.
#include "packages/RandomGenerator.h"

#include <chrono>
#include <limits>

namespace fxe {

TRandomGenerator::TRandomGenerator() noexcept { SeedFromClock(); }

void TRandomGenerator::Seed(std::int32_t seed) noexcept {
  // Sign-extended, so that every 32-bit seed starts a sequence of its own.
  state_ = static_cast<std::uint64_t>(static_cast<std::int64_t>(seed));
}

void TRandomGenerator::SeedFromClock() noexcept {
  state_ = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

std::uint64_t TRandomGenerator::Next() noexcept {
  state_ += 0x9E3779B97F4A7C15u;
  std::uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

std::uint32_t TRandomGenerator::Below(std::uint32_t bound) noexcept {
  // Draws beyond the last whole multiple of bound are thrown away: taking
  // them modulo bound would favour the small results.
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t limit = kMax - kMax % bound;
  std::uint64_t draw = Next();
  while (draw >= limit) draw = Next();
  return static_cast<std::uint32_t>(draw % bound);
}

}  // namespace fxe
