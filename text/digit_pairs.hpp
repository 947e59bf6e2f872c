// Decimal digits two at a time, for the number and date writers: one
// division by 100 and a table look-up make two characters.
#pragma once

#include <array>
#include <cstdint>

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
  out[0] = kDigitPairs[2 * pair];
  out[1] = kDigitPairs[2 * pair + 1];
}

// Writes the `count` lowest decimal digits of `n` so that they end just
// before `end`, and removes them from `n`; returns where they begin.
inline char* PutLowDigitsBefore(char* end, std::uint64_t& n, int count) noexcept {
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
inline char* PutNumberBefore(char* end, std::uint64_t n) noexcept {
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

}  // namespace vc::text
