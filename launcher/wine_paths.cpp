#include "launcher/wine_paths.hpp"

#include <algorithm>
#include <optional>
#include <system_error>

#include "text/strings.hpp"

namespace vc::launcher {

namespace {

namespace fs = std::filesystem;

// Windows takes both slashes as separators.
constexpr std::string_view kSeparators = "\\/";

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The entry of `folder` whose name equals `name` with letter case ignored;
// the exact name is tried first, as it is the usual case.
std::optional<fs::path> FindEntry(const fs::path& folder, std::string_view name) {
  std::error_code error;
  fs::path exact = folder / fs::path(name);
  if (fs::exists(exact, error)) return exact;
  const std::string upperName = text::UpperAscii(name);
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (text::EqualsUpper(it->path().filename().string(), upperName)) return it->path();
  }
  return std::nullopt;
}

}  // namespace

std::string WindowsPathForWine(std::string_view hostPath) {
  fs::path path{hostPath};
  std::error_code error;
  if (fs::path absolute = fs::absolute(path, error); !error) path = absolute;
  std::string windowsPath = "Z:";
  windowsPath += path.lexically_normal().string();
  std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
  return windowsPath;
}

PrefixFile FindInPrefix(const fs::path& prefix, std::string_view windowsPath) {
  if (windowsPath.size() < 3 || !IsDriveLetter(windowsPath[0]) || windowsPath[1] != ':' ||
      kSeparators.find(windowsPath[2]) == std::string_view::npos) {
    return PrefixFile::kUnknown;
  }
  const char drive[] = {static_cast<char>(windowsPath[0] | 0x20), ':', '\0'};
  fs::path current = prefix / "dosdevices" / drive;
  std::error_code error;
  if (!fs::is_directory(current, error)) return PrefixFile::kUnknown;

  std::string_view rest = windowsPath.substr(3);
  while (!rest.empty()) {
    const std::size_t slash = std::min(rest.find_first_of(kSeparators), rest.size());
    const std::string_view name = rest.substr(0, slash);
    rest.remove_prefix(std::min(slash + 1, rest.size()));
    if (name.empty() || name == ".") continue;
    // Climbing is rare in registered paths and has its own rules at a
    // drive's root: leave such a path to Wine.
    if (name == "..") return PrefixFile::kUnknown;
    auto next = FindEntry(current, name);
    if (!next) return PrefixFile::kMissing;
    current = std::move(*next);
  }
  return fs::is_regular_file(current, error) ? PrefixFile::kPresent : PrefixFile::kMissing;
}

}  // namespace vc::launcher
