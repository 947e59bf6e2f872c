// Decimal digits two at a time, for the number and date writers: one
// division by 100 and a table look-up make two characters. Callers pass
// 32-bit numbers where they fit: their divisions are the cheaper ones.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vc::text {

// "00" to "99".
inline constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> table{};
  for (std::size_t i = 0; i < 100; ++i) {
    table[2 * i] = static_cast<char>('0' + i / 10);
    table[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return table;
}();

// Writes `pair` (below 100) as two digits at `out`.
inline void PutDigitPair(char* out, std::uint32_t pair) noexcept {
  std::memcpy(out, kDigitPairs.data() + 2 * pair, 2);
}

// Writes `n` (below 10^8) as eight digits at `out`, leading zeros included.
inline void PutEightDigits(char* out, std::uint32_t n) noexcept {
  const std::uint32_t high = n / 10000;
  const std::uint32_t low = n % 10000;
  PutDigitPair(out, high / 100);
  PutDigitPair(out + 2, high % 100);
  PutDigitPair(out + 4, low / 100);
  PutDigitPair(out + 6, low % 100);
}

// Writes the `count` lowest decimal digits of `n` so that they end just
// before `end`, and removes them from `n`; returns where they begin.
template <std::unsigned_integral Unsigned>
char* PutLowDigitsBefore(char* end, Unsigned& n, int count) noexcept {
  for (; count >= 2; count -= 2) {
    end -= 2;
    PutDigitPair(end, static_cast<std::uint32_t>(n % 100));
    n /= 100;
  }
  if (count == 1) {
    *--end = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  return end;
}

// Writes every digit of `n` (one for 0) so that they end just before `end`;
// returns where they begin.
template <std::unsigned_integral Unsigned>
char* PutNumberBefore(char* end, Unsigned n) noexcept {
  while (n >= 100) {
    end -= 2;
    PutDigitPair(end, static_cast<std::uint32_t>(n % 100));
    n /= 100;
  }
  if (n >= 10) {
    end -= 2;
    PutDigitPair(end, static_cast<std::uint32_t>(n));
  } else {
    *--end = static_cast<char>('0' + n);
  }
  return end;
}

// Writes every digit of `n` (one for 0) at `out`, at most ten, and returns
// their end: most numbers written have three digits or fewer, which take no
// loop.
inline char* PutNumber(char* out, std::uint32_t n) noexcept {
  if (n < 10) {
    *out = static_cast<char>('0' + n);
    return out + 1;
  }
  if (n < 100) {
    PutDigitPair(out, n);
    return out + 2;
  }
  if (n < 1000) {
    *out = static_cast<char>('0' + n / 100);
    PutDigitPair(out + 1, n % 100);
    return out + 3;
  }
  constexpr std::size_t kMostDigits = 10;
  std::array<char, 2 * kMostDigits> digits;  // written before it is read
  char* const end = digits.data() + kMostDigits;
  const char* const begin = PutNumberBefore(end, n);
  std::memcpy(out, begin, kMostDigits);
  return out + (end - begin);
}

// The same for any 64-bit number: eight digits at a time in 32 bits.
inline char* PutWideNumberBefore(char* end, std::uint64_t n) noexcept {
  constexpr std::uint64_t kEightDigits = 100000000;
  while (n > UINT32_MAX) {
    end -= 8;
    PutEightDigits(end, static_cast<std::uint32_t>(n % kEightDigits));
    n /= kEightDigits;
  }
  return PutNumberBefore(end, static_cast<std::uint32_t>(n));
}

}  // namespace vc::text
