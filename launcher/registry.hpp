// The registry as the launcher sees it: string and 32-bit values under
// HKEY_LOCAL_MACHINE, read through a small interface so that the lookup of
// the map program is the same whether the values come from the Windows
// registry, a Wine prefix's system.reg, or a table in a test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vc::launcher {

// The map program's installers write under HKEY_LOCAL_MACHINE only.
enum class RegistryRoot : std::uint8_t { kLocalMachine };

// The Windows registry type numbers: 1 is REG_SZ, 4 is REG_DWORD.
enum class RegistryValueType : std::uint32_t { kString = 1, kDword = 4 };

// Nothing read, a text (UTF-8), or a 32-bit integer.
using RegistryValue = std::variant<std::monostate, std::string, std::uint32_t>;

// A string value is read into a buffer of this many characters, so a
// longer value arrives cut at this length.
inline constexpr std::size_t kRegistryBufferChars = 256;

class Registry {
 public:
  virtual ~Registry() = default;
  // The whole REG_SZ value as stored (UTF-8, embedded NULs kept; a
  // REG_EXPAND_SZ value with its variables expanded), or nothing
  // when the key cannot be opened, the value is missing or of another type.
  [[nodiscard]] virtual std::optional<std::string> QueryString(
      RegistryRoot root, std::string_view subkey, std::string_view valueName) const = 0;
  [[nodiscard]] virtual std::optional<std::uint32_t> QueryDword(
      RegistryRoot root, std::string_view subkey, std::string_view valueName) const = 0;
};

// Reads one value the way the map program's lookup expects: a string ends
// at its first NUL and is cut at kRegistryBufferChars characters; a type
// other than kString or kDword reads nothing.
RegistryValue ReadRegistryValue(const Registry& registry, RegistryRoot root,
                                std::string_view subkey, std::string_view valueName,
                                RegistryValueType type);

// The text of a value, empty when nothing (or no text) was read.
std::string RegistryText(const RegistryValue& value);

}  // namespace vc::launcher
