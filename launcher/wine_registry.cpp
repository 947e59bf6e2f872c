#include "launcher/wine_registry.hpp"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>

#include "text/strings.hpp"

namespace vc::launcher {

namespace {

constexpr std::string_view kSoftwarePrefix = "SOFTWARE\\";
// Where a 64-bit Windows keeps the keys that 32-bit programs write under
// SOFTWARE.
constexpr std::string_view kWow64Node = "Wow6432Node\\";
constexpr std::string_view kDwordPrefix = "dword:";

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Collects decoded UTF-16 code units as UTF-8: a character beyond the basic
// plane arrives as two \x escapes that must be joined. Bytes written
// unescaped (a hand-edited file) are taken as UTF-8 already.
class Utf8Builder {
 public:
  void Unit(char32_t unit) {
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      FlushHigh();
      high_ = unit;
      return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (high_ != 0) {
        AppendUtf8(out_, 0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
        high_ = 0;
      } else {
        AppendUtf8(out_, kReplacement);
      }
      return;
    }
    FlushHigh();
    AppendUtf8(out_, unit);
  }
  void Byte(char byte) {
    FlushHigh();
    out_ += byte;
  }
  std::string Finish() {
    FlushHigh();
    return std::move(out_);
  }

 private:
  static constexpr char32_t kReplacement = 0xFFFD;
  void FlushHigh() {
    if (high_ != 0) {
      AppendUtf8(out_, kReplacement);
      high_ = 0;
    }
  }
  std::string out_;
  char32_t high_ = 0;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// \a \b \t \n \v \f \r \e; 0 for any other letter.
char32_t ControlEscape(char letter) {
  constexpr std::string_view kLetters = "abtnvfre";
  constexpr char32_t kCodes[] = {0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x1B};
  const std::size_t index = kLetters.find(letter);
  return index == std::string_view::npos ? 0 : kCodes[index];
}

// Up to `maxDigits` digits of `base` from `text` at `pos`; `pos` moves past them.
char32_t ReadDigits(std::string_view text, std::size_t& pos, int base, int maxDigits) {
  char32_t value = 0;
  for (int digits = 0; digits < maxDigits && pos < text.size(); ++digits) {
    const int digit =
        base == 16 ? HexDigit(text[pos]) : (IsOctalDigit(text[pos]) ? text[pos] - '0' : -1);
    if (digit < 0) break;
    value = value * static_cast<char32_t>(base) + static_cast<char32_t>(digit);
    ++pos;
  }
  return value;
}

// The position of the first `close` not escaped by a backslash, from `pos`.
std::size_t FindUnescaped(std::string_view text, std::size_t pos, char close) {
  while (pos < text.size()) {
    if (text[pos] == '\\') {
      pos += 2;
    } else if (text[pos] == close) {
      return pos;
    } else {
      ++pos;
    }
  }
  return std::string_view::npos;
}

// The next line of `text` from `pos` without its LF or CR LF.
std::string_view NextLine(std::string_view text, std::size_t& pos) {
  const std::size_t end = std::min(text.find('\n', pos), text.size());
  std::string_view line = text.substr(pos, end - pos);
  pos = end + 1;
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  return line;
}

// The key a section header names, escapes still in it; nothing when the
// line is not a header.
std::optional<std::string_view> HeaderKey(std::string_view line) {
  if (line.empty() || line.front() != '[') return std::nullopt;
  const std::size_t close = FindUnescaped(line, 1, ']');
  if (close == std::string_view::npos) return std::nullopt;
  return line.substr(1, close - 1);
}

struct ValueLine {
  std::string_view escapedName;
  bool isDefault = false;
  std::string_view data;
};

// "name"=data or @=data; nothing for comments, #time lines and the hex
// continuation lines.
std::optional<ValueLine> SplitValueLine(std::string_view line) {
  ValueLine value;
  std::size_t afterName = 0;
  if (!line.empty() && line.front() == '@') {
    value.isDefault = true;
    afterName = 1;
  } else if (!line.empty() && line.front() == '"') {
    const std::size_t close = FindUnescaped(line, 1, '"');
    if (close == std::string_view::npos) return std::nullopt;
    value.escapedName = line.substr(1, close - 1);
    afterName = close + 1;
  } else {
    return std::nullopt;
  }
  if (afterName >= line.size() || line[afterName] != '=') return std::nullopt;
  value.data = line.substr(afterName + 1);
  return value;
}

bool NameMatches(const ValueLine& value, std::string_view upperName) {
  if (value.isDefault) return upperName.empty();
  return text::EqualsUpper(DecodeWineString(value.escapedName), upperName);
}

}  // namespace

std::string DecodeWineString(std::string_view escaped) {
  Utf8Builder out;
  std::size_t pos = 0;
  while (pos < escaped.size()) {
    const char c = escaped[pos++];
    if (c != '\\' || pos == escaped.size()) {
      out.Byte(c);
      continue;
    }
    const char letter = escaped[pos];
    if (letter == 'x' && pos + 1 < escaped.size() && HexDigit(escaped[pos + 1]) >= 0) {
      ++pos;
      out.Unit(ReadDigits(escaped, pos, 16, 4));
    } else if (IsOctalDigit(letter)) {
      out.Unit(ReadDigits(escaped, pos, 8, 3));
    } else if (const char32_t control = ControlEscape(letter); control != 0) {
      ++pos;
      out.Unit(control);
    } else {
      // \\ \" \[ \] and any escape Wine does not define: the letter itself.
      ++pos;
      out.Byte(letter);
    }
  }
  return out.Finish();
}

WineRegistry::WineRegistry(std::string text) : text_(std::move(text)) {}

std::optional<WineRegistry> WineRegistry::Load(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return WineRegistry(std::move(text));
}

std::optional<std::string_view> WineRegistry::FindValueDataInKey(std::string_view subkey,
                                                                 std::string_view valueName) const {
  const std::string upperKey = text::UpperAscii(subkey);
  const std::string upperName = text::UpperAscii(valueName);
  const std::string_view text = text_;
  bool inKey = false;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::string_view line = NextLine(text, pos);
    if (const auto key = HeaderKey(line)) {
      inKey = text::EqualsUpper(DecodeWineString(*key), upperKey);
    } else if (inKey) {
      const auto value = SplitValueLine(line);
      if (value && NameMatches(*value, upperName)) return value->data;
    }
  }
  return std::nullopt;
}

std::optional<std::string_view> WineRegistry::FindValueData(std::string_view subkey,
                                                            std::string_view valueName) const {
  if (subkey.size() > kSoftwarePrefix.size() &&
      text::EqualsUpper(subkey.substr(0, kSoftwarePrefix.size()), kSoftwarePrefix)) {
    std::string wow64Key(subkey.substr(0, kSoftwarePrefix.size()));
    wow64Key += kWow64Node;
    wow64Key += subkey.substr(kSoftwarePrefix.size());
    if (auto data = FindValueDataInKey(wow64Key, valueName)) return data;
  }
  return FindValueDataInKey(subkey, valueName);
}

std::optional<std::string> WineRegistry::QueryString(RegistryRoot /*root*/, std::string_view subkey,
                                                     std::string_view valueName) const {
  const auto data = FindValueData(subkey, valueName);
  if (!data || data->empty() || data->front() != '"') return std::nullopt;
  const std::size_t close = FindUnescaped(*data, 1, '"');
  if (close == std::string_view::npos) return std::nullopt;
  return DecodeWineString(data->substr(1, close - 1));
}

std::optional<std::uint32_t> WineRegistry::QueryDword(RegistryRoot /*root*/,
                                                      std::string_view subkey,
                                                      std::string_view valueName) const {
  const auto data = FindValueData(subkey, valueName);
  if (!data || !data->starts_with(kDwordPrefix)) return std::nullopt;
  const std::string_view digits = text::TrimBlanks(data->substr(kDwordPrefix.size()));
  std::uint32_t number = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
  if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
    return std::nullopt;
  }
  return number;
}

std::optional<std::filesystem::path> CurrentWinePrefix() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') {
    return std::filesystem::path(prefix);
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::filesystem::path(home) / ".wine";
  }
  return std::nullopt;
}

}  // namespace vc::launcher
