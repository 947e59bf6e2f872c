#include "engine/point_text.hpp"

#include <exception>
#include <new>

#include "geo/coord_text.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {

static_assert(std::endian::native == std::endian::little,
              "short texts are kept in the low bytes of the packed value");
static_assert(sizeof(PackedText) == 8);

namespace detail {

char* CopyText(std::string_view text) {
  char* block = new char[sizeof(std::size_t) + text.size()];
  // The packed forms keep the address in 48 bits (and 56 for InlineText<8>);
  // user-space addresses of x86-64 and AArch64 systems stay below 2^47. An
  // address above would be cut, so stop rather than lose the text.
  if ((static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(block)) >> 47) != 0) {
    std::terminate();
  }
  const std::size_t size = text.size();
  std::memcpy(block, &size, sizeof size);
  std::memcpy(block + sizeof size, text.data(), size);
  return block;
}

std::string_view HeapView(const char* block) noexcept {
  std::size_t size = 0;
  std::memcpy(&size, block, sizeof size);
  return {block + sizeof size, size};
}

void FreeText(char* block) noexcept { delete[] block; }

}  // namespace detail

namespace {

// A heap block's address in the 48 bits of a payload: user-space addresses
// of the 64-bit systems the program runs on stay below 2^47.
std::uint64_t AddressBits(const char* block) noexcept {
  return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(block));
}

// The value of `text` when the text is exactly the general text of that
// value, so that the value can stand for it: computed values
// ("70.4000000000001") are. That is the case for a plain decimal of at most
// 15 significant digits without a superfluous zero, point or sign: the
// value read from it gives back those digits. Longer texts are not looked
// at, so that no value comes near the ends of the range of a double.
std::optional<double> GeneralNumberValue(std::string_view text) noexcept {
  constexpr std::size_t kLongest = 40;
  if (text.empty() || text.size() > kLongest) return std::nullopt;
  std::size_t i = text.front() == '-' ? 1 : 0;
  const std::size_t intStart = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  const std::size_t intEnd = i;
  if (intEnd == intStart) return std::nullopt;
  // "0" alone, or no leading zero.
  if (text[intStart] == '0' && intEnd - intStart > 1) return std::nullopt;
  std::size_t fracEnd = intEnd;
  if (i < text.size()) {
    if (text[i] != '.') return std::nullopt;
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    fracEnd = i;
    // Digits after the point, the last of them not a zero.
    if (i != text.size() || fracEnd == intEnd + 1 || text[fracEnd - 1] == '0') {
      return std::nullopt;
    }
  }
  // Significant digits: from the first non-zero digit to the last one.
  std::size_t first = intStart;
  while (first < fracEnd && (text[first] == '0' || text[first] == '.')) ++first;
  if (first == fracEnd) {
    // Zero is written "0", never "-0".
    return text == "0" ? std::optional<double>(0.0) : std::nullopt;
  }
  std::size_t last = fracEnd;
  while (text[last - 1] == '0' || text[last - 1] == '.') --last;
  std::size_t significant = last - first;
  if (first < intEnd && last > intEnd) --significant;  // the point between them
  if (significant > 15) return std::nullopt;
  return text::LeadingValue(text);
}

}  // namespace

// ---------------------------------------------------------------------------

CoordText::CoordText(const CoordText& other) : CoordText() {
  if (other.Tag() == 0) {
    assign(detail::HeapView(other.Block()));
  } else {
    std::memcpy(bytes_, other.bytes_, kSize);
  }
}

CoordText& CoordText::operator=(const CoordText& other) {
  if (this == &other) return *this;
  if (other.Tag() == 0) {
    assign(detail::HeapView(other.Block()));
  } else {
    Release();
    std::memcpy(bytes_, other.bytes_, kSize);
  }
  return *this;
}

const char* CoordText::Block() const noexcept {
  const char* block = nullptr;
  std::memcpy(&block, bytes_, sizeof block);
  return block;
}

void CoordText::Release() noexcept {
  if (Tag() == 0) detail::FreeText(const_cast<char*>(Block()));
  bytes_[kLast] = static_cast<char>(kInside);
}

void CoordText::assign(std::string_view text) {
  // The text may lie inside this object: copy it before releasing.
  if (text.size() < kSize) {
    char copy[kSize];
    if (!text.empty()) std::memcpy(copy, text.data(), text.size());
    Release();
    std::memcpy(bytes_, copy, text.size());
    bytes_[kLast] = static_cast<char>(kInside | text.size());
    return;
  }
  if (const std::optional<double> value = GeneralNumberValue(text)) {
    Release();
    std::memcpy(bytes_, &*value, sizeof *value);
    bytes_[kLast] = static_cast<char>(kNumber);
    return;
  }
  char* block = detail::CopyText(text);
  Release();
  std::memcpy(bytes_, &block, sizeof block);
  bytes_[kLast] = 0;
}

std::optional<double> CoordText::Number() const noexcept {
  if (Tag() != kNumber) return std::nullopt;
  double value = 0;
  std::memcpy(&value, bytes_, sizeof value);
  return value;
}

std::string_view CoordText::View(std::string& scratch) const {
  if (const std::optional<double> value = Number()) {
    scratch.clear();
    text::AppendGeneral(scratch, *value);
    return scratch;
  }
  if (Tag() == 0) return detail::HeapView(Block());
  return {bytes_, Tag() & ~kInside};
}

void CoordText::AppendTo(std::string& out) const {
  if (const std::optional<double> value = Number()) {
    text::AppendGeneral(out, *value);
  } else if (Tag() == 0) {
    out.append(detail::HeapView(Block()));
  } else {
    out.append(bytes_, Tag() & ~kInside);
  }
}

std::string CoordText::Str() const {
  std::string out;
  AppendTo(out);
  return out;
}

double CoordDegreesOf(const CoordText& coord, std::string_view form, std::string& scratch) {
  const std::optional<double> value = coord.Number();
  if (value && geo::IsDecimalForm(form)) return geo::DecimalCoordDegrees(*value, form);
  return geo::CoordDegrees(coord.View(scratch), form);
}

void AppendConvertedCoordOf(std::string& out, const CoordText& coord, std::string_view fromForm,
                            std::string_view toForm, std::string& scratch) {
  const std::optional<double> value = coord.Number();
  if (value && geo::IsDecimalForm(fromForm)) {
    geo::AppendCoordText(out, geo::ReadDecimalCoord(*value, fromForm), toForm);
  } else {
    geo::AppendConvertedCoord(out, coord.View(scratch), fromForm, toForm);
  }
}

// ---------------------------------------------------------------------------

PackedText::PackedText(const PackedText& other) : bits_(other.bits_) {
  if (IsBoxed() && Tag() == kHeapTag) {
    const auto* block = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(Payload()));
    bits_ =
        kBoxBits | (kHeapTag << kTagShift) | AddressBits(detail::CopyText(detail::HeapView(block)));
  }
}

PackedText& PackedText::operator=(const PackedText& other) {
  if (this == &other) return *this;
  if (other.IsBoxed() && other.Tag() == kHeapTag) {
    Assign(*other.StoredText());
  } else {
    Release();
    bits_ = other.bits_;
  }
  return *this;
}

void PackedText::Release() noexcept {
  if (IsBoxed() && Tag() == kHeapTag) {
    detail::FreeText(reinterpret_cast<char*>(static_cast<std::uintptr_t>(Payload())));
  }
  bits_ = kBoxBits | (kShortTag << kTagShift);
}

void PackedText::SetBoxed(std::uint64_t tag, std::int64_t payload) noexcept {
  Release();
  bits_ = kBoxBits | (tag << kTagShift) | (static_cast<std::uint64_t>(payload) & kPayloadMask);
}

std::int64_t PackedText::SignedPayload() const noexcept {
  // Sign-extends the 48-bit payload.
  constexpr int kUnused = 64 - kTagShift;
  return static_cast<std::int64_t>(Payload() << kUnused) >> kUnused;
}

void PackedText::Assign(std::string_view text) {
  if (text.size() <= kShortMax) {
    std::uint64_t chars = 0;
    // An empty view may have no data at all, which memcpy must not be given.
    if (!text.empty()) std::memcpy(&chars, text.data(), text.size());
    Release();
    bits_ = kBoxBits | ((kShortTag + text.size()) << kTagShift) | chars;
    return;
  }
  if (const std::optional<double> value = GeneralNumberValue(text)) {
    SetNumber(*value);
    return;
  }
  char* block = detail::CopyText(text);
  Release();
  bits_ = kBoxBits | (kHeapTag << kTagShift) | AddressBits(block);
}

void PackedText::SetNumber(double value) {
  Release();
  // The double its general text reads back as: the same text, and the
  // leading value of that text without reading it.
  const double stored = text::RoundToGeneral(value);
  bits_ = std::bit_cast<std::uint64_t>(stored == 0 ? 0.0 : stored);
}

void PackedText::AssignDateTime(std::string_view text, std::string& scratch) {
  if (const auto canonical = text::ParseCanonicalDateTime(text)) {
    SetDateTime(*canonical);
    return;
  }
  // A time without a date (on the zero date) stays a text, so that it can
  // still be told from a full date and time.
  const auto seconds = text::ParseDateTime(text);
  if (seconds && !text::IsTimeOfDay(*seconds) && text::IsWritableTime(*seconds)) {
    scratch.clear();
    text::AppendGeneralDateTime(scratch, *seconds);
    if (scratch == text) {
      SetGeneralDateTime(*seconds);
      return;
    }
  }
  Assign(text);
}

std::optional<std::string_view> PackedText::StoredText() const noexcept {
  if (!IsBoxed()) return std::nullopt;
  const std::uint64_t tag = Tag();
  if (tag == kHeapTag) {
    return detail::HeapView(reinterpret_cast<const char*>(static_cast<std::uintptr_t>(Payload())));
  }
  if (tag >= kShortTag && tag <= kShortTag + kShortMax) {
    return std::string_view(reinterpret_cast<const char*>(&bits_), tag - kShortTag);
  }
  return std::nullopt;
}

void PackedText::AppendTo(std::string& out) const {
  if (!IsBoxed()) {
    text::AppendGeneral(out, Number());
  } else if (Tag() == kDateTimeTag) {
    text::AppendDateTime(out, SignedPayload());
  } else if (Tag() == kGeneralDateTimeTag) {
    text::AppendGeneralDateTime(out, SignedPayload());
  } else if (const auto stored = StoredText()) {
    out.append(*stored);
  }
}

void PackedText::AppendTrimmedTo(std::string& out) const {
  // Numbers and dates are written without spaces.
  if (const auto stored = StoredText()) {
    out.append(text::TrimSpaces(*stored));
  } else {
    AppendTo(out);
  }
}

std::string PackedText::Str() const {
  std::string out;
  AppendTo(out);
  return out;
}

double PackedText::Value() const {
  if (!IsBoxed()) return Number();
  if (const auto stored = StoredText()) return text::LeadingValue(*stored);
  return text::LeadingValue(Str());
}

std::optional<text::LocalSeconds> PackedText::Seconds() const {
  if (IsBoxed() && (Tag() == kDateTimeTag || Tag() == kGeneralDateTimeTag)) {
    return SignedPayload();
  }
  if (const auto stored = StoredText()) return text::ParseDateTime(*stored);
  return text::ParseDateTime(Str());
}

bool PackedText::IsNotAvailable() const noexcept {
  const auto stored = StoredText();
  return stored && text::TrimSpaces(*stored) == "-";
}

}  // namespace vc::engine
