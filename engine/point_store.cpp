#include "engine/point_store.hpp"

#include <cstring>

#include "geo/coord_text.hpp"

namespace vc::engine {
namespace {

// Texts up to this size are looked for among the recent ones.
constexpr std::size_t kRecentLongest = 8;

FormReading ReadingOf(std::string_view coordFormat) noexcept {
  if (coordFormat == "D") return FormReading::kDegrees;
  if (coordFormat == "MPS") return FormReading::kMps;
  return geo::IsDecimalForm(coordFormat) ? FormReading::kDecimal : FormReading::kTextOnly;
}

}  // namespace

void TextStore::Clear() noexcept {
  bytes_.assign(sizeof(Size), '\0');
  recent_ = {};
  nextRecent_ = 0;
  lastMatch_ = 0;
}

std::uint64_t TextStore::Store(std::string_view text) {
  if (text.empty()) return kEmptyAt;
  const std::uint64_t at = bytes_.size();
  const Size size = text.size();
  bytes_.append(reinterpret_cast<const char*>(&size), sizeof size);
  bytes_.append(text);
  return at;
}

std::uint64_t TextStore::StoreSharedAmongRecent(std::string_view text) {
  if (text.size() > kRecentLongest) return Store(text);
  if (text.empty()) return kEmptyAt;
  for (std::size_t k = 0; k < recent_.size(); ++k) {
    const std::size_t i = (lastMatch_ + k) % recent_.size();
    const RecentText& recent = recent_[i];
    if (recent.size == text.size() &&
        std::memcmp(bytes_.data() + recent.at + sizeof(Size), text.data(), text.size()) == 0) {
      lastMatch_ = i;
      return recent.at;
    }
  }
  const std::uint64_t at = Store(text);
  recent_[nextRecent_] = {at, static_cast<std::uint32_t>(text.size())};
  nextRecent_ = (nextRecent_ + 1) % recent_.size();
  return at;
}

std::string_view TextStore::Text(std::uint64_t at) const noexcept {
  Size size = 0;
  std::memcpy(&size, bytes_.data() + at, sizeof size);
  return {bytes_.data() + at + sizeof size, static_cast<std::size_t>(size)};
}

void LabelTable::Clear() {
  labels_.resize(1);
  labels_[0] = PointLabels{};
  last_ = 0;
}

std::uint32_t LabelTable::Find(std::string_view datum, std::string_view utcOffset,
                               std::string_view coordFormat) {
  const auto same = [&](const PointLabels& labels) {
    return labels.datum == datum && labels.utcOffset == utcOffset &&
           labels.coordFormat == coordFormat;
  };
  if (same(labels_[last_])) return last_;
  for (std::uint32_t i = 0; i < labels_.size(); ++i) {
    if (same(labels_[i])) return last_ = i;
  }
  PointLabels& added = labels_.emplace_back();
  added.datum = datum;
  added.utcOffset = utcOffset;
  added.coordFormat = coordFormat;
  added.reading = ReadingOf(coordFormat);
  return last_ = static_cast<std::uint32_t>(labels_.size() - 1);
}

}  // namespace vc::engine
