#include "engine/installation.hpp"

#include <unistd.h>

#include <array>

#include "engine/file_types.hpp"

namespace vc::engine {

std::string ProgramFolder() {
  std::array<char, 4096> buf{};
  const ssize_t length = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (length <= 0) return ".";
  std::string path(buf.data(), static_cast<std::size_t>(length));
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string FindGroupDefinitionsFile(const std::string& programFolder) {
  const std::string beside = programFolder + "/" + kGroupFileName;
  if (GetFileLength(beside) >= 0) return beside;
  const std::string shared = programFolder + "/../share/vornconverter/" + kGroupFileName;
  if (GetFileLength(shared) >= 0) return shared;
  return beside;
}

}  // namespace vc::engine
