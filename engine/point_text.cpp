#include "engine/point_text.hpp"

#include <cmath>
#include <exception>
#include <new>

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

// True when `text` is exactly the general text of its own value, so that
// the value can stand for it: computed values ("70.4000000000001") are.
bool IsGeneralNumberText(std::string_view text) {
  const char first = text.empty() ? ' ' : text.front();
  if (first != '-' && (first < '0' || first > '9')) return false;
  std::string general;
  text::AppendGeneral(general, text::LeadingValue(text));
  return general == text;
}

}  // namespace

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
    std::memcpy(&chars, text.data(), text.size());
    Release();
    bits_ = kBoxBits | ((kShortTag + text.size()) << kTagShift) | chars;
    return;
  }
  if (IsGeneralNumberText(text)) {
    SetNumber(text::LeadingValue(text));
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
  const text::LocalSeconds zeroDate = text::ZeroDate();
  const bool onZeroDate =
      seconds && *seconds >= zeroDate && *seconds < zeroDate + text::kSecondsPerDay;
  if (seconds && !onZeroDate && text::IsWritableTime(*seconds)) {
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
