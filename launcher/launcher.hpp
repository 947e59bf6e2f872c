// Starting ProAtlas on an MPS script. On Windows the program found in the
// registry is started directly; elsewhere the registry of the user's Wine
// prefix is read and the program is started through `wine`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vc::launcher {

enum class LaunchStatus : std::uint8_t {
  kStarted,
  // No edition registered (or several and none chosen), no Wine prefix, or no
  // `wine` to run it with: nothing is shown to the user.
  kNotInstalled,
  // A program was found but did not start (a stale registry value, a missing
  // executable): the caller tells the user.
  kStartFailed,
};

struct LaunchResult {
  LaunchStatus status = LaunchStatus::kNotInstalled;
  // The executable's path as the registry gives it (a Windows path).
  std::string program;
  // errno, or GetLastError() on Windows, when the start failed.
  int systemError = 0;
};

// The ProAtlas executable registered on this machine (through Wine when not
// on Windows), or empty. Every call reads the registry again.
std::string LocateProAtlas();

// Starts ProAtlas on `scriptPath` (UTF-8) without waiting for it.
[[nodiscard]] LaunchResult LaunchProAtlas(std::string_view scriptPath);

// The system's own words (UTF-8) for LaunchResult::systemError.
std::string SystemErrorText(int systemError);

}  // namespace vc::launcher
