// CP932 through the Win32 code page conversions, with the replacements the
// converter makes on every system: a byte that does not start a CP932
// character becomes U+FFFD (and the next byte is read afresh), a character
// CP932 lacks becomes "?". Windows itself would map the unused single bytes
// 0x80, 0xA0 and 0xFD-0xFF to private characters and pick look-alikes
// ("best fit") for missing ones; both are turned off here.
#include <windows.h>

#include <string>

#include "engine/text_file.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr UINT kCp932 = 932;
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

std::wstring& Scratch(void* buffer) { return *static_cast<std::wstring*>(buffer); }

bool IsAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// The length of the CP932 character at `at` by its bytes alone: 1 or 2, or
// 0 for a byte that starts none.
std::size_t CharacterLength(std::string_view bytes, std::size_t at) {
  const auto c = static_cast<unsigned char>(bytes[at]);
  if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) return 1;
  if (IsLeadByte(c) && at + 1 < bytes.size() &&
      IsTrailByte(static_cast<unsigned char>(bytes[at + 1]))) {
    return 2;
  }
  return 0;
}

bool IsWellFormed(std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = CharacterLength(bytes, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

// Converts with MultiByteToWideChar into `wide`; false when any byte does
// not convert.
bool ToWide(UINT codePage, std::string_view bytes, std::wstring& wide) {
  const int size = static_cast<int>(bytes.size());
  wide.resize(bytes.size());  // never more UTF-16 units than bytes
  const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size,
                                         wide.data(), static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return length > 0;
}

void AppendUtf8(std::wstring_view wide, std::string& out) {
  if (wide.empty()) return;
  const int size = static_cast<int>(wide.size());
  const std::size_t at = out.size();
  out.resize(at + wide.size() * 3);  // at most three bytes a UTF-16 unit
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data() + at,
                                         static_cast<int>(wide.size() * 3), nullptr, nullptr);
  out.resize(at + static_cast<std::size_t>(length > 0 ? length : 0));
}

// CP932 has no character outside the Basic Multilingual Plane: a surrogate
// pair (or a lone surrogate) is one missing character, so one "?".
void ReplaceSurrogates(std::wstring& wide) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const wchar_t unit = wide[i];
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      if (unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
        ++i;
      }
      wide[kept++] = L'?';
    } else {
      wide[kept++] = unit;
    }
  }
  wide.resize(kept);
}

void AppendCp932(std::wstring& wide, std::string& out) {
  ReplaceSurrogates(wide);
  if (wide.empty()) return;
  const int size = static_cast<int>(wide.size());
  const std::size_t at = out.size();
  out.resize(at + wide.size() * 2);  // at most two bytes a character
  const int length =
      WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data() + at,
                          static_cast<int>(wide.size() * 2), "?", nullptr);
  out.resize(at + static_cast<std::size_t>(length > 0 ? length : 0));
}

}  // namespace

// Both members hold a UTF-16 buffer that is reused from line to line.
Cp932Codec::Cp932Codec() : decoder_(new std::wstring()), encoder_(new std::wstring()) {}

std::string Cp932Codec::Problem() const {
  if (IsValidCodePage(kCp932) != 0) return {};
  return "No CP932 converter: code page 932 is not installed";
}

Cp932Codec::~Cp932Codec() {
  delete static_cast<std::wstring*>(decoder_);
  delete static_cast<std::wstring*>(encoder_);
}

void Cp932Codec::Decode(std::string_view cp932, std::string& utf8) {
  if (IsAscii(cp932)) {
    utf8.append(cp932);
    return;
  }
  std::wstring& wide = Scratch(decoder_);
  if (IsWellFormed(cp932) && ToWide(kCp932, cp932, wide)) {
    AppendUtf8(wide, utf8);
    return;
  }
  // Character by character, to replace exactly the bytes that fail.
  for (std::size_t at = 0; at < cp932.size();) {
    const std::size_t length = CharacterLength(cp932, at);
    if (length > 0 && ToWide(kCp932, cp932.substr(at, length), wide)) {
      AppendUtf8(wide, utf8);
      at += length;
    } else {
      utf8.append(kReplacementCharacter);
      ++at;
    }
  }
}

void Cp932Codec::Encode(std::string_view utf8, std::string& cp932) {
  if (IsAscii(utf8)) {
    cp932.append(utf8);
    return;
  }
  std::wstring& wide = Scratch(encoder_);
  if (ToWide(CP_UTF8, utf8, wide)) {
    AppendCp932(wide, cp932);
    return;
  }
  // Text that is not UTF-8 throughout: each character that is not becomes "?".
  while (!utf8.empty()) {
    std::string_view character = text::LeftChars(utf8, 1);
    if (character.empty()) character = utf8.substr(0, 1);
    if (ToWide(CP_UTF8, character, wide)) {
      AppendCp932(wide, cp932);
    } else {
      cp932.push_back('?');
    }
    utf8.remove_prefix(character.size());
  }
}

}  // namespace vc::engine
