// The Windows registry through the Win32 API (built on Windows only).
#pragma once

#include "launcher/registry.hpp"

namespace vc::launcher {

// Keys are opened for reading only: an ordinary user may not open
// HKEY_LOCAL_MACHINE for writing. The 32-bit view is read first, as the map
// program's installers are 32-bit programs, then the native view.
class Win32Registry final : public Registry {
 public:
  [[nodiscard]] std::optional<std::string> QueryString(RegistryRoot root, std::string_view subkey,
                                                       std::string_view valueName) const override;
  [[nodiscard]] std::optional<std::uint32_t> QueryDword(RegistryRoot root, std::string_view subkey,
                                                        std::string_view valueName) const override;
};

}  // namespace vc::launcher
