// HKEY_LOCAL_MACHINE of a Wine prefix, read from the prefix's system.reg.
//
// The file is text that Wine rewrites whenever the registry changes:
//
//   WINE REGISTRY Version 2
//   ;; All keys relative to \\Machine
//   #arch=win64
//
//   [Software\\Wow6432Node\\ALPS\\Rdw40] 1700000000
//   #time=1da2f4c3b5e8a10
//   "AppPath"="C:\\Program Files (x86)\\ALPS\\PAtlas4\\PAtlas.exe"
//   "Count"=dword:00000002
//
// A section header names a key (relative to HKEY_LOCAL_MACHINE, a timestamp
// after it); the lines below it are its values: "name"=data, or @=data for
// the default value. Plain "..." data is REG_SZ; str(2):"...", hex:... and
// the other typed forms are skipped here. Inside names and strings a
// backslash escapes: \\ \" \[ \] stand for themselves, \a \b \t \n \v \f \r \e
// for control characters, \ooo for an octal and \xhhhh for a hexadecimal
// UTF-16 code unit (Wine writes every character past ASCII that way). Key
// and value names compare case-insensitively, as on Windows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "launcher/registry.hpp"

namespace vc::launcher {

class WineRegistry final : public Registry {
 public:
  // `text` is the whole content of a system.reg file.
  explicit WineRegistry(std::string text);
  // Nothing when the file cannot be read.
  static std::optional<WineRegistry> Load(const std::filesystem::path& file);

  [[nodiscard]] std::optional<std::string> QueryString(RegistryRoot root, std::string_view subkey,
                                                       std::string_view valueName) const override;
  [[nodiscard]] std::optional<std::uint32_t> QueryDword(RegistryRoot root, std::string_view subkey,
                                                        std::string_view valueName) const override;

 private:
  // The data after "name"= in the 32-bit view of a 64-bit prefix first, as
  // the installers are 32-bit programs, then in the native view.
  [[nodiscard]] std::optional<std::string_view> FindValueData(std::string_view subkey,
                                                              std::string_view valueName) const;
  [[nodiscard]] std::optional<std::string_view> FindValueDataInKey(
      std::string_view subkey, std::string_view valueName) const;

  std::string text_;
};

// One escaped name or string of system.reg, without its quotes, as UTF-8.
std::string DecodeWineString(std::string_view escaped);

// The Wine prefix in use: $WINEPREFIX when set, else ~/.wine; nothing when
// neither variable is set.
std::optional<std::filesystem::path> CurrentWinePrefix();

}  // namespace vc::launcher
