// Paths between the host and a Wine prefix. Wine maps drive Z: to the root
// of the host's file system, and each other drive letter through a link in
// the prefix's dosdevices folder ("dosdevices/c:" leads to "drive_c").
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vc::launcher {

// The Windows path under which a program run by Wine sees `hostPath`:
// "Z:" and the absolute, normalised path with backslashes.
std::string WindowsPathForWine(std::string_view hostPath);

enum class PrefixFile : std::uint8_t {
  kPresent,
  kMissing,
  // Not a drive path, or a drive the prefix does not map: Wine may still
  // know better, so the start is left to it.
  kUnknown,
};

// Whether `windowsPath` names an existing file inside `prefix`. Names are
// matched case-insensitively, as Wine does on a case-sensitive file system.
PrefixFile FindInPrefix(const std::filesystem::path& prefix, std::string_view windowsPath);

}  // namespace vc::launcher
