// Compact texts for the fields of track points.
//
// A track of a million points is held whole, so its fields cannot each be a
// std::string of 32 bytes plus a heap block. Three forms keep every text
// exactly while using a fraction of that:
//
//   CoordText      16 bytes, for the coordinates: a text of up to 15 bytes
//                  inside, or the number whose general text it is (decimal
//                  degrees of 16 characters and more), or a heap block.
//   PackedText     8 bytes. Most values of a point are texts the program
//                  itself could write from a number: a general number
//                  ("36.0072") or a date and time ("2002/07/15 09:04:05").
//                  Those are kept as the number and written on demand, which
//                  gives the same bytes; a text of up to 6 bytes ("-",
//                  "---.-") lives inside, any other on the heap.
//   InlineText<N>  N bytes; a text of up to N - 1 bytes inside, a longer one
//                  on the heap. Used for the point's own datum, offset and
//                  form, which are short.
//
// PackedText keeps a number as a double whose general text is the field's
// text; every other case is marked in the bits of a negative NaN, which no
// stored number can be (the general form writes no NaN or infinity).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "text/datetime.hpp"

namespace vc::engine {

namespace detail {
// A heap copy of a text, its length in front; freed with FreeText.
char* CopyText(std::string_view text);
std::string_view HeapView(const char* block) noexcept;
void FreeText(char* block) noexcept;
}  // namespace detail

// The last byte tells the two cases apart: 0x80 plus the length for a text
// inside, a byte without that bit for a heap block, whose address fills the
// first bytes. In the 8-byte form the last byte is the address's own top
// byte, which is 0 for every user-space address of a 64-bit system.
template <std::size_t N>
class InlineText {
  static_assert(N >= sizeof(void*) && N <= 128);

 public:
  InlineText() noexcept { Reset(); }
  InlineText(std::string_view text) { Set(text); }  // NOLINT: reads as the text it holds
  InlineText(const InlineText& other) { Set(other.View()); }
  InlineText& operator=(const InlineText& other) {
    if (this != &other) assign(other.View());
    return *this;
  }
  ~InlineText() { Release(); }

  InlineText& operator=(std::string_view text) {
    assign(text);
    return *this;
  }
  void assign(std::string_view text) {
    // The text may lie inside this object: copy it before releasing.
    if (text.size() < N) {
      char copy[N];
      if (!text.empty()) std::memcpy(copy, text.data(), text.size());
      Release();
      std::memcpy(bytes_, copy, text.size());
      bytes_[N - 1] = static_cast<char>(kInside | text.size());
      return;
    }
    char* block = detail::CopyText(text);
    Release();
    bytes_[N - 1] = 0;
    std::memcpy(bytes_, &block, sizeof block);
  }
  void clear() noexcept {
    Release();
    Reset();
  }

  [[nodiscard]] std::string_view View() const noexcept {
    const auto last = static_cast<unsigned char>(bytes_[N - 1]);
    if ((last & kInside) == 0) return detail::HeapView(Block());
    return {bytes_, static_cast<std::size_t>(last & ~kInside)};
  }
  operator std::string_view() const noexcept { return View(); }  // NOLINT: a text
  [[nodiscard]] std::size_t size() const noexcept { return View().size(); }
  [[nodiscard]] bool empty() const noexcept { return View().empty(); }
  [[nodiscard]] std::string Str() const { return std::string(View()); }

  friend bool operator==(const InlineText& a, std::string_view b) noexcept { return a.View() == b; }

 private:
  static constexpr unsigned kInside = 0x80;

  void Set(std::string_view text) {
    Reset();
    assign(text);
  }
  void Reset() noexcept { bytes_[N - 1] = static_cast<char>(kInside); }
  [[nodiscard]] char* Block() const noexcept {
    char* block = nullptr;
    std::memcpy(&block, bytes_, sizeof block);
    return block;
  }
  void Release() noexcept {
    if ((static_cast<unsigned char>(bytes_[N - 1]) & kInside) == 0) detail::FreeText(Block());
    Reset();
  }

  char bytes_[N];
};

// A coordinate in 16 bytes. A text of up to 15 bytes lives inside
// ("35.681234", "139/45/12.3"); the general text of a number is kept as the
// number (the decimal degrees made from a receiver's ddmm.mmmm run to 16
// characters and more); any other text lives on the heap. The last byte
// tells which: 0x80 plus the length, kNumber, or 0 for a heap block.
class CoordText {
 public:
  CoordText() noexcept { bytes_[kLast] = static_cast<char>(kInside); }
  CoordText(const CoordText& other);
  CoordText& operator=(const CoordText& other);
  ~CoordText() { Release(); }

  CoordText& operator=(std::string_view text) {
    assign(text);
    return *this;
  }
  void assign(std::string_view text);

  // The text; one kept as a number is written into `scratch` first.
  [[nodiscard]] std::string_view View(std::string& scratch) const;
  void AppendTo(std::string& out) const;
  [[nodiscard]] std::string Str() const;
  // The leading value of the text, when the text is kept as that number.
  [[nodiscard]] std::optional<double> Number() const noexcept;

  friend bool operator==(const CoordText& a, std::string_view b) { return a.Str() == b; }

 private:
  static constexpr std::size_t kSize = 16;
  static constexpr std::size_t kLast = kSize - 1;
  static constexpr unsigned kInside = 0x80;
  static constexpr unsigned kNumber = 0x40;

  [[nodiscard]] unsigned Tag() const noexcept { return static_cast<unsigned char>(bytes_[kLast]); }
  [[nodiscard]] const char* Block() const noexcept;
  void Release() noexcept;

  char bytes_[kSize];
};

// The decimal degrees of a coordinate in `form` (geo::CoordDegrees); a
// number in a decimal form is not written out to be read again.
double CoordDegreesOf(const CoordText& coord, std::string_view form, std::string& scratch);
// Appends the coordinate converted from `fromForm` to `toForm`
// (geo::AppendConvertedCoord), the same way.
void AppendConvertedCoordOf(std::string& out, const CoordText& coord, std::string_view fromForm,
                            std::string_view toForm, std::string& scratch);

class PackedText {
 public:
  PackedText() noexcept = default;
  PackedText(const PackedText& other);
  PackedText& operator=(const PackedText& other);
  ~PackedText() { Release(); }

  // The text as it stands.
  void Assign(std::string_view text);
  PackedText& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }
  // The general text of `value` ("0" for what is not finite).
  void SetNumber(double value);
  // The text AppendDateTime or AppendGeneralDateTime writes for `seconds`;
  // `seconds` must be writable.
  void SetDateTime(text::LocalSeconds seconds) noexcept { SetBoxed(kDateTimeTag, seconds); }
  void SetGeneralDateTime(text::LocalSeconds seconds) noexcept {
    SetBoxed(kGeneralDateTimeTag, seconds);
  }
  // A date-and-time text as read from a file: kept as its seconds when it is
  // in one of the two forms the program writes, as a text otherwise.
  // `scratch` is working space.
  void AssignDateTime(std::string_view text, std::string& scratch);

  void AppendTo(std::string& out) const;
  // As AppendTo, without the spaces around the text.
  void AppendTrimmedTo(std::string& out) const;
  [[nodiscard]] std::string Str() const;
  // A text kept as it stands; nullopt for a number or a date and time.
  [[nodiscard]] std::optional<std::string_view> StoredText() const noexcept;

  // The text's leading numeric value.
  [[nodiscard]] double Value() const;
  // The text read as a date and time (text::ParseDateTime).
  [[nodiscard]] std::optional<text::LocalSeconds> Seconds() const;
  // "-" with or without spaces around it: no value.
  [[nodiscard]] bool IsNotAvailable() const noexcept;

  friend bool operator==(const PackedText& a, std::string_view b) { return a.Str() == b; }

 private:
  // A tag sits in bits 48 to 51 under an all-ones sign and exponent.
  static constexpr std::uint64_t kBoxBits = 0xFFF0'0000'0000'0000;
  static constexpr int kTagShift = 48;
  static constexpr std::uint64_t kPayloadMask = (std::uint64_t{1} << kTagShift) - 1;
  static constexpr std::uint64_t kShortTag = 1;  // 1 to 7: texts of 0 to 6 bytes
  static constexpr std::size_t kShortMax = 6;
  static constexpr std::uint64_t kDateTimeTag = 8;
  static constexpr std::uint64_t kGeneralDateTimeTag = 9;
  static constexpr std::uint64_t kHeapTag = 10;

  [[nodiscard]] bool IsBoxed() const noexcept { return (bits_ & kBoxBits) == kBoxBits; }
  [[nodiscard]] std::uint64_t Tag() const noexcept { return (bits_ >> kTagShift) & 0xF; }
  [[nodiscard]] std::uint64_t Payload() const noexcept { return bits_ & kPayloadMask; }
  [[nodiscard]] double Number() const noexcept { return std::bit_cast<double>(bits_); }
  [[nodiscard]] std::int64_t SignedPayload() const noexcept;
  void SetBoxed(std::uint64_t tag, std::int64_t payload) noexcept;
  void Release() noexcept;

  std::uint64_t bits_ = kBoxBits | (kShortTag << kTagShift);  // the empty text
};

}  // namespace vc::engine
