// Key hashing, the four bucket functions and the growth threshold of the hash
// tables, and the errors they raise.
#include "collections/GHashtable.h"

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"

namespace fxe {

namespace {

constexpr std::uint32_t kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

// Number of decimal digits of n ("0" has one).
int DecimalDigits(std::uint32_t n) noexcept {
  int digits = 1;
  while (digits < 10 && n >= kPowersOfTen[digits]) ++digits;
  return digits;
}

// Keeps the last digits of k, as many as the capacity has.
std::uint32_t Truncation(std::uint32_t k, std::uint32_t capacity) noexcept {
  const int digits = DecimalDigits(capacity);
  if (DecimalDigits(k) > digits) k %= kPowersOfTen[digits];
  return k % capacity;
}

// Squares k and keeps, of the square's L digits, as many as the capacity has,
// starting at position L - L/2.
std::uint32_t MidSquare(std::uint32_t k, std::uint32_t capacity) noexcept {
  const std::uint32_t square = (k * k) & detail::kHashKeyMask;
  const int length = DecimalDigits(square);
  const int digits = DecimalDigits(capacity);
  std::uint32_t kept = square;
  if (digits < length / 2) {
    const int start = length - length / 2;
    // Drop the digits after the kept ones, then those before them.
    kept = square / kPowersOfTen[length - start - digits] % kPowersOfTen[digits];
  }
  return kept % capacity;
}

// k's first digit followed by every digit of k at an even position or at a
// position divisible by 3 (0-based, from the left).
std::uint32_t Folding(std::uint32_t k, std::uint32_t capacity) noexcept {
  const int length = DecimalDigits(k);
  auto digitAt = [&](int position) { return k / kPowersOfTen[length - 1 - position] % 10; };
  std::uint64_t folded = digitAt(0);
  for (int position = 0; position < length; ++position) {
    if (position % 2 == 0 || position % 3 == 0) folded = folded * 10 + digitAt(position);
  }
  return static_cast<std::uint32_t>(folded % capacity);
}

}  // namespace

std::uint32_t StringKeyHash(std::string_view key) noexcept {
  std::uint32_t hash = 0;
  const std::size_t length = key.size();
  if (length > 15) {
    const std::size_t step = length / 8;
    for (std::size_t i = 0; i < length; i += step) hash = hash * 39 + static_cast<unsigned char>(key[i]);
  } else {
    // h*37 + c, four bytes per step: the same sum modulo 2^32 with a
    // dependency chain a quarter as long.
    const auto* bytes = reinterpret_cast<const unsigned char*>(key.data());
    std::size_t i = 0;
    for (; i + 4 <= length; i += 4) {
      hash = hash * (37u * 37u * 37u * 37u) +
             (bytes[i] * (37u * 37u * 37u) + bytes[i + 1] * (37u * 37u) + bytes[i + 2] * 37u + bytes[i + 3]);
    }
    for (; i < length; ++i) hash = hash * 37 + bytes[i];
  }
  return hash;
}

std::uint32_t detail::HashIndexUnchecked(std::uint32_t hash, std::uint32_t capacity, TGHashType hashType) noexcept {
  const std::uint32_t k = hash & detail::kHashKeyMask;
  switch (hashType) {
    case htTruncation:
      return Truncation(k, capacity);
    case htMidSquare:
      return MidSquare(k, capacity);
    case htFolding:
      return Folding(k, capacity);
    case htDivision:
      break;
  }
  return k % capacity;
}

std::uint32_t HashIndex(std::uint32_t hash, std::uint32_t capacity, TGHashType hashType) {
  detail::ValidateHashType(hashType);
  if (capacity == 0) detail::RaiseHashtableError(detail::EHashtableFault::SubscriptOutOfRange);
  if ((hash & detail::kHashKeyMask) == 0) detail::RaiseHashtableError(detail::EHashtableFault::ArgumentIsNull);
  return detail::HashIndexUnchecked(hash, capacity, hashType);
}

std::uint64_t HashThreshold(std::uint32_t capacity, float loadFactor) noexcept {
  const double product = static_cast<double>(capacity) * static_cast<double>(loadFactor);
  if (!(product > 0.0)) return 0;
  if (product >= 0x1p62) return std::uint64_t{1} << 62;
  double whole = std::floor(product);
  const double fraction = product - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return static_cast<std::uint64_t>(whole);
}

namespace detail {

void RaiseHashtableError(EHashtableFault fault) {
  std::string_view message = IEConsts::SIllegalNextElement;
  switch (fault) {
    case EHashtableFault::ArgumentIsNull:
      message = IEConsts::SArgumentIsNull;
      break;
    case EHashtableFault::SubscriptOutOfRange:
      message = IEConsts::SSubscriptOutOfRange;
      break;
    case EHashtableFault::TableIsEmpty:
      message = IEConsts::STableIsEmpty;
      break;
    case EHashtableFault::NoSuchElement:
      message = IEConsts::SNoSuchElement;
      break;
    case EHashtableFault::NonEmptyTable:
      message = IEConsts::SNonEmptyTable;
      break;
    case EHashtableFault::IllegalNextElement:
      break;
  }
  Raise<EGHashtableError>(message);
}

void RaiseNoSuchElement(std::string_view key) { Raise<EGHashtableError>(IEConsts::SNoSuchElementNamed, key); }

void RaiseCapacityTooLarge(std::uint32_t capacity) { Raise<EGHashtableError>(IEConsts::SCapacityTooLarge, capacity); }

void RaiseInvalidLoadFactor(float loadFactor) { Raise<EGHashtableError>(IEConsts::SInvalidLoadFactor, loadFactor); }

void ValidateHashType(TGHashType hashType) {
  if (static_cast<std::uint8_t>(hashType) > static_cast<std::uint8_t>(htFolding)) {
    RaiseHashtableError(EHashtableFault::SubscriptOutOfRange);
  }
}

}  // namespace detail

}  // namespace fxe
