#include "engine/installation.hpp"

#include "engine/file_types.hpp"
#include "engine/platform_files.hpp"

namespace vc::engine {

std::string ProgramFolder() {
  std::string path = platform::ProgramPath();
  const auto slash = path.find_last_of(platform::kPathSeparators);
  if (path.empty() || slash == std::string::npos) return ".";
  path.resize(slash);
  return path;
}

std::string FindGroupDefinitionsFile(const std::string& programFolder) {
  const std::string beside = programFolder + "/" + kGroupFileName;
  if (GetFileLength(beside) >= 0) return beside;
  const std::string shared = programFolder + "/../share/vornconverter/" + kGroupFileName;
  if (GetFileLength(shared) >= 0) return shared;
  return beside;
}

}  // namespace vc::engine
