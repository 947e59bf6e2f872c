#include "text/strings.hpp"

#include <cstdint>
#include <cstring>

namespace vc::text {
namespace {

char UpperOf(char c) noexcept {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Length of the UTF-8 sequence starting at `i`, or 1 for a byte that does not
// start a valid sequence.
std::size_t SequenceLength(std::string_view s, std::size_t i) noexcept {
  const auto lead = static_cast<unsigned char>(s[i]);
  std::size_t length = 0;
  unsigned int minimum = 0;
  unsigned int code = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, code = lead & 0x1Fu;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, code = lead & 0x0Fu;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, code = lead & 0x07u;
  } else {
    return 1;
  }
  if (i + length > s.size()) return 1;
  for (std::size_t k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 1;
    code = (code << 6) | (c & 0x3Fu);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 1;
  return length;
}

bool StartsValidSequence(std::string_view s, std::size_t i) noexcept {
  return static_cast<unsigned char>(s[i]) < 0x80 || SequenceLength(s, i) > 1;
}

bool IsSpace(char c) noexcept { return c == ' '; }
bool IsSpaceOrTab(char c) noexcept { return c == ' ' || c == '\t'; }

// A text of blanks alone gives the empty view.
template <bool (*IsBlank)(char) noexcept>
std::string_view TrimTrailingWhere(std::string_view text) noexcept {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return end == 0 ? std::string_view{} : text.substr(0, end);
}

template <bool (*IsBlank)(char) noexcept>
std::string_view TrimWhere(std::string_view text) noexcept {
  text = TrimTrailingWhere<IsBlank>(text);
  std::size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  return text.substr(first);
}

}  // namespace

std::string_view TrimSpaces(std::string_view text) noexcept { return TrimWhere<IsSpace>(text); }

std::string_view TrimTrailingSpaces(std::string_view text) noexcept {
  return TrimTrailingWhere<IsSpace>(text);
}

std::string_view TrimBlanks(std::string_view text) noexcept {
  return TrimWhere<IsSpaceOrTab>(text);
}

std::string_view TrimTrailingBlanks(std::string_view text) noexcept {
  return TrimTrailingWhere<IsSpaceOrTab>(text);
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  UpperAsciiInPlace(out);
  return out;
}

void UpperAsciiInPlace(std::string& text) noexcept {
  for (char& c : text) c = UpperOf(c);
}

bool EqualsUpper(std::string_view text, std::string_view upperKey) noexcept {
  if (text.size() != upperKey.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (UpperOf(text[i]) != upperKey[i]) return false;
  }
  return true;
}

bool ContainsUpper(std::string_view text, std::string_view upperKey) noexcept {
  if (upperKey.empty()) return true;
  if (text.size() < upperKey.size()) return false;
  for (std::size_t i = 0; i + upperKey.size() <= text.size(); ++i) {
    if (EqualsUpper(text.substr(i, upperKey.size()), upperKey)) return true;
  }
  return false;
}

std::size_t CharCount(std::string_view utf8) noexcept {
  std::size_t count = 0;
  for (std::size_t i = 0; i < utf8.size(); i += SequenceLength(utf8, i)) ++count;
  return count;
}

std::string_view LeftChars(std::string_view utf8, std::size_t count) noexcept {
  std::size_t i = 0;
  for (std::size_t n = 0; n < count && i < utf8.size(); ++n) i += SequenceLength(utf8, i);
  return utf8.substr(0, i);
}

std::string_view RightChars(std::string_view utf8, std::size_t count) noexcept {
  const std::size_t total = CharCount(utf8);
  if (count >= total) return utf8;
  return utf8.substr(LeftChars(utf8, total - count).size());
}

std::string_view DropRightChars(std::string_view utf8, std::size_t count) noexcept {
  const std::size_t total = CharCount(utf8);
  if (count >= total) return {};
  return LeftChars(utf8, total - count);
}

bool IsValidUtf8(std::string_view bytes) noexcept {
  std::size_t i = 0;
  while (i < bytes.size()) {
    // ASCII runs are the common case; skip them eight bytes at a time.
    while (i + 8 <= bytes.size()) {
      std::uint64_t word = 0;
      std::memcpy(&word, bytes.data() + i, sizeof(word));
      if ((word & 0x8080808080808080ULL) != 0) break;
      i += 8;
    }
    if (i >= bytes.size()) break;
    if (!StartsValidSequence(bytes, i)) return false;
    i += SequenceLength(bytes, i);
  }
  return true;
}

}  // namespace vc::text
