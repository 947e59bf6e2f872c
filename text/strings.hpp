// Small text rules shared by every format: trimming, ASCII upper-casing for
// the case-insensitive comparisons, and character-wise left/right on UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vc::text {

// Removes leading and trailing spaces (only spaces: TABs, CR and LF stay).
// This is the trimming of names, fields and options everywhere except in
// MPS statements.
std::string_view TrimSpaces(std::string_view text) noexcept;
std::string_view TrimTrailingSpaces(std::string_view text) noexcept;

// Removes leading and trailing runs of spaces and TABs in any mix; CR and LF
// stay. Used by the MPS statement reader and parser, and for Waypoint+ fields.
std::string_view TrimBlanks(std::string_view text) noexcept;
std::string_view TrimTrailingBlanks(std::string_view text) noexcept;

// ASCII letters only; other bytes (UTF-8 sequences included) are kept.
std::string UpperAscii(std::string_view text);
void UpperAsciiInPlace(std::string& text) noexcept;

// True when `text` upper-cased equals `upperKey` (which is already upper case).
bool EqualsUpper(std::string_view text, std::string_view upperKey) noexcept;

// True when `text` upper-cased contains `upperKey`.
bool ContainsUpper(std::string_view text, std::string_view upperKey) noexcept;

// Characters, not bytes, of UTF-8 text. Bytes that are not valid UTF-8 count
// as one character each, so any byte string is cut safely.
std::size_t CharCount(std::string_view utf8) noexcept;
std::string_view LeftChars(std::string_view utf8, std::size_t count) noexcept;
std::string_view RightChars(std::string_view utf8, std::size_t count) noexcept;
// All but the last `count` characters.
std::string_view DropRightChars(std::string_view utf8, std::size_t count) noexcept;

bool IsValidUtf8(std::string_view bytes) noexcept;

// The six bytes at `p` as one number, the first byte lowest on a
// little-endian machine: a short key told apart by one comparison. Loaded as
// four and two, because six bytes copied into an eight-byte number go
// through memory in two stores and come back in one load, which stalls.
inline std::uint64_t SixByteCode(const char* p) noexcept {
  std::uint32_t low = 0;
  std::uint16_t high = 0;
  std::memcpy(&low, p, sizeof(low));
  std::memcpy(&high, p + sizeof(low), sizeof(high));
  return std::uint64_t{low} | std::uint64_t{high} << 32;
}

}  // namespace vc::text
