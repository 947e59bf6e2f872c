// What the points of one track or route refer to instead of holding it:
// their texts, and the datum, UTC offset and form they were read in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vc::engine {

// How the numbers of a coordinate form read as decimal degrees.
enum class FormReading : std::uint8_t {
  kDegrees,   // "D": the number is the degrees
  kDecimal,   // "DM", "DMS": the number's digits are the fields
  kMps,       // "MPS": degrees, minutes and tenths of seconds, packed
  kTextOnly,  // any other form: only its text reads
};

// The datum, UTC offset and coordinate form a point was read in.
struct PointLabels {
  std::string datum;
  std::string utcOffset;
  std::string coordFormat;
  // Of coordFormat, looked up once for all the points that share it.
  FormReading reading = FormReading::kTextOnly;
};

// Texts in one growing buffer, each its length in eight bytes and then its
// bytes; a point keeps a text's offset, which stays valid as the buffer
// grows. The empty text is at offset 0. Clearing keeps the storage.
class TextStore {
 public:
  static constexpr std::uint64_t kEmptyAt = 0;

  TextStore() { Clear(); }
  void Clear() noexcept;
  std::uint64_t Store(std::string_view text);
  // As Store, but a short text stored a moment ago ("-", "---.-", which a
  // log repeats point after point) is stored once for all its points.
  std::uint64_t StoreShared(std::string_view text) {
    // A log repeats the same few texts field after field: the one that
    // matched last is the likeliest to match again.
    const RecentText& last = recent_[lastMatch_];
    if (last.size == text.size() &&
        (text.empty() ||
         std::memcmp(bytes_.data() + last.at + sizeof(Size), text.data(), text.size()) == 0)) {
      return last.at;
    }
    return StoreSharedAmongRecent(text);
  }
  [[nodiscard]] std::string_view Text(std::uint64_t at) const noexcept;

 private:
  using Size = std::uint64_t;
  std::uint64_t StoreSharedAmongRecent(std::string_view text);
  struct RecentText {
    std::uint64_t at = kEmptyAt;
    std::uint32_t size = 0;
  };
  std::string bytes_;
  std::array<RecentText, 4> recent_{};
  std::size_t nextRecent_ = 0;
  std::size_t lastMatch_ = 0;
};

// The label triples of the points, numbered from 0 (all empty). A track or
// route has very few, so they are looked up in a short list, the last one
// used first.
class LabelTable {
 public:
  LabelTable() { Clear(); }
  void Clear();
  // The number of the triple, added when it is new.
  std::uint32_t Find(std::string_view datum, std::string_view utcOffset,
                     std::string_view coordFormat);
  const PointLabels& operator[](std::uint32_t n) const noexcept { return labels_[n]; }

 private:
  std::vector<PointLabels> labels_;
  std::uint32_t last_ = 0;
};

}  // namespace vc::engine
