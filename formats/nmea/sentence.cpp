#include "formats/nmea/sentence.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vc::nmea {
namespace {

// The characters of an address, looked up: every sentence's address is
// walked once for its check and once for its kind.
constexpr std::array<bool, 256> kAddressCharacters = [] {
  std::array<bool, 256> table{};
  for (char c = 'A'; c <= 'Z'; ++c) table[static_cast<unsigned char>(c)] = true;
  for (char c = '0'; c <= '9'; ++c) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

bool IsUpperOrDigit(char c) noexcept { return kAddressCharacters[static_cast<unsigned char>(c)]; }

int HexValue(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Without the spaces and line-end characters a capture leaves at the end.
std::string_view TrimEnd(std::string_view line) noexcept {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\n')) {
    line.remove_suffix(1);
  }
  return line;
}

// "$" and an address of three to eight capitals and digits, then a comma or
// the checksum.
bool HasAddress(std::string_view line) noexcept {
  if (line.size() < 4 || line[0] != '$') return false;
  std::size_t i = 1;
  while (i < line.size() && IsUpperOrDigit(line[i])) ++i;
  const std::size_t length = i - 1;
  if (length < 3 || length > 8) return false;
  return i == line.size() || line[i] == ',' || line[i] == '*';
}

// Three characters as one number.
constexpr std::uint32_t LetterCode(std::string_view three) noexcept {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(three[0])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(three[1])) << 8 |
         static_cast<unsigned char>(three[2]);
}

static_assert(std::endian::native == std::endian::little,
              "the first byte of a text is the lowest byte of the word read from it");

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// A bit at the top of every byte of `word` that is `c`: the exact per-byte
// test for a zero byte (no carry crosses a byte), applied to the word xor c
// repeated.
std::uint64_t BytesEqualTo(std::uint64_t word, char c) noexcept {
  const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(c));
  return ~(((x & ~kHighs) + ~kHighs) | x) & kHighs;
}

// The XOR of the bytes of `bytes`, eight at a time: a sentence is checked
// before anything else is done with it.
unsigned XorOfBytes(std::string_view bytes) noexcept {
  std::uint64_t folded = 0;
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + i, sizeof word);
    folded ^= word;
  }
  if (i < bytes.size() && bytes.size() >= 8) {
    // The bytes left, as the top of the word that ends with them.
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + bytes.size() - 8, sizeof word);
    folded ^= word >> (8 * (8 - (bytes.size() - i)));
    i = bytes.size();
  }
  folded ^= folded >> 32;
  folded ^= folded >> 16;
  folded ^= folded >> 8;
  auto sum = static_cast<unsigned>(folded & 0xff);
  for (; i < bytes.size(); ++i) sum ^= static_cast<unsigned char>(bytes[i]);
  return sum;
}

}  // namespace

SentenceState CheckSentence(std::string_view line) noexcept {
  line = TrimEnd(line);
  if (!HasAddress(line)) return SentenceState::kNotSentence;
  const std::size_t star = line.rfind('*');
  if (star == std::string_view::npos) return SentenceState::kWithoutChecksum;
  const std::string_view checksum = line.substr(star + 1);
  if (checksum.size() < 2) return SentenceState::kCut;
  const int high = HexValue(checksum[0]);
  const int low = HexValue(checksum[1]);
  if (checksum.size() != 2 || high < 0 || low < 0) return SentenceState::kBadChecksum;
  const unsigned sum = XorOfBytes(line.substr(1, star - 1));
  return sum == static_cast<unsigned>(high * 16 + low) ? SentenceState::kValid
                                                       : SentenceState::kBadChecksum;
}

SentenceKind KindOf(std::string_view sentence) noexcept {
  // Every kind read has an address of five characters; its last three are
  // told apart as one number, and as they are capitals only the first two
  // need the check for capitals and digits.
  constexpr std::size_t kEnd = 6;
  if (sentence.size() < kEnd || (sentence.size() > kEnd && IsUpperOrDigit(sentence[kEnd]))) {
    return SentenceKind::kOther;
  }
  const std::uint32_t code = LetterCode(sentence.substr(3, 3));
  if (sentence[1] == 'P') {
    if (sentence[2] != 'G' || sentence[3] != 'R' || sentence[4] != 'M') return SentenceKind::kOther;
    if (code == LetterCode("RME")) return SentenceKind::kPgrme;
    if (code == LetterCode("RMZ")) return SentenceKind::kPgrmz;
    if (code == LetterCode("RMM")) return SentenceKind::kPgrmm;
    return SentenceKind::kOther;
  }
  if (!IsUpperOrDigit(sentence[1]) || !IsUpperOrDigit(sentence[2])) return SentenceKind::kOther;
  switch (code) {
    case LetterCode("RMC"):
      return SentenceKind::kRmc;
    case LetterCode("GGA"):
      return SentenceKind::kGga;
    case LetterCode("GLL"):
      return SentenceKind::kGll;
    case LetterCode("VTG"):
      return SentenceKind::kVtg;
    case LetterCode("ZDA"):
      return SentenceKind::kZda;
    case LetterCode("HDG"):
      return SentenceKind::kHdg;
    case LetterCode("HDT"):
      return SentenceKind::kHdt;
    default:
      return SentenceKind::kOther;
  }
}

namespace {

// Calls `stop(at)` for every place of `a` or `b` in `text`, in order, until
// it returns true; true then, false when the text ends first. The separators
// are found sixteen bytes at a time where the processor compares that many
// at once (SSE2 is part of every x86-64), then eight at a time; a field is a
// few characters long, and every sentence of every fix is split.
template <class Stop>
[[gnu::always_inline]] inline bool FindSeparators(std::string_view text, char a, char b,
                                                  Stop stop) noexcept {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i repeatedA = _mm_set1_epi8(a);
  const __m128i repeatedB = _mm_set1_epi8(b);
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    auto marks = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(chunk, repeatedA), _mm_cmpeq_epi8(chunk, repeatedB))));
    for (; marks != 0; marks &= marks - 1) {
      if (stop(i + static_cast<std::size_t>(std::countr_zero(marks)))) return true;
    }
  }
#endif
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + i, sizeof word);
    for (std::uint64_t marks = BytesEqualTo(word, a) | BytesEqualTo(word, b); marks != 0;
         marks &= marks - 1) {
      if (stop(i + static_cast<std::size_t>(std::countr_zero(marks)) / 8)) return true;
    }
  }
  for (; i < text.size(); ++i) {
    if ((text[i] == a || text[i] == b) && stop(i)) return true;
  }
  return false;
}

}  // namespace

namespace {

// The sentence up to its checksum, without the end a capture leaves.
std::string_view WithoutChecksum(std::string_view sentence) noexcept {
  sentence = TrimEnd(sentence);
  const std::size_t star = sentence.rfind('*');
  return star == std::string_view::npos ? sentence : sentence.substr(0, star);
}

}  // namespace

SentenceFields::SentenceFields(std::string_view sentence, std::size_t wanted) noexcept
    : SentenceFields(WithoutChecksum(sentence), ',', ',', wanted) {}

SentenceFields::SentenceFields(std::string_view text, char a, char b, std::size_t wanted) noexcept
    : text_(text.data()) {
  const std::size_t room = std::min(wanted, kMaxFields);
  if (room == 0) return;
  // Only the places are kept: the fields are made as they are asked for.
  std::size_t start = 0;
  const bool full = FindSeparators(text, a, b, [&](std::size_t at) {
    pieces_[count_] = {start, at - start};
    start = at + 1;
    return ++count_ == room;
  });
  if (!full) pieces_[count_++] = {start, text.size() - start};
}

std::size_t SplitFields(std::string_view text, char a, char b,
                        std::span<std::string_view> fields) noexcept {
  if (fields.empty()) return 0;
  std::size_t number = 0;
  std::size_t start = 0;
  const bool full = FindSeparators(text, a, b, [&](std::size_t at) {
    fields[number] = std::string_view(text.data() + start, at - start);
    start = at + 1;
    return ++number == fields.size();
  });
  if (full) return number;
  fields[number] = text.substr(start);
  return number + 1;
}

std::string_view NthField(std::string_view text, char a, char b, std::size_t number) noexcept {
  std::size_t start = 0;
  std::size_t passed = 0;
  std::size_t end = 0;
  const bool found = FindSeparators(text, a, b, [&](std::size_t at) {
    if (passed == number) {
      end = at;
      return true;
    }
    ++passed;
    start = at + 1;
    return false;
  });
  if (found) return text.substr(start, end - start);
  return passed == number ? text.substr(start) : std::string_view();
}

double TimeOfDaySeconds(std::string_view field) noexcept {
  if (field.size() < 6) return -1;
  int parts[3] = {0, 0, 0};
  for (int k = 0; k < 3; ++k) {
    const char a = field[static_cast<std::size_t>(2 * k)];
    const char b = field[static_cast<std::size_t>(2 * k + 1)];
    if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
    parts[k] = (a - '0') * 10 + (b - '0');
  }
  // A leap second (60) is taken as it is sent.
  if (parts[0] > 23 || parts[1] > 59 || parts[2] > 60) return -1;
  double fraction = 0;
  if (field.size() > 6) {
    if (field[6] != '.') return -1;
    const std::string_view digits = field.substr(6);
    if (digits.size() > 1) {
      const auto [end, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), fraction);
      if (error != std::errc() || end != digits.data() + digits.size()) return -1;
    }
  }
  return parts[0] * 3600.0 + parts[1] * 60.0 + parts[2] + fraction;
}

}  // namespace vc::nmea
