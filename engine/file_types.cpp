#include "engine/file_types.hpp"

#include <string>

#include "engine/input/record_reader.hpp"
#include "engine/output/record_writer.hpp"
#include "engine/platform_files.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr FileTypeInfo kFileTypes[] = {
    {FileType::kMps, "MPS", "MPS", "mapserver script of the map program (*.mps)", &MakeMpsReader,
     &MakeMpsWriter},
    {FileType::kWpt, "WPT", "TXT", "Waypoint+ text (*.txt)", &MakeWaypointPlusReader,
     &MakeWaypointPlusWriter},
    {FileType::kVrc, "VRC", "VRC", "VornConnect file (*.vrc)", &MakeVrcReader, &MakeVrcWriter},
    {FileType::kVrp, "VRP", "VRP", "VornPointer standard log (*.vrp)", &MakeVrpReader, nullptr},
    {FileType::kVrm, "VRM", "VRM", "VornPointer Garmin log (*.vrm)", &MakeVrmReader, nullptr},
    {FileType::kVrn, "VRN", "VRN", "VornPointer Garmin NMEA log (*.vrn)", &MakeVrnReader, nullptr},
    {FileType::kLog, "LOG", "LOG", "log (*.log), recognised but not read", nullptr, nullptr},
};

constexpr FileTypeInfo kNoType{FileType::kNone, "", "", "", nullptr, nullptr};

}  // namespace

std::span<const FileTypeInfo> FileTypes() { return kFileTypes; }

const FileTypeInfo& InfoOf(FileType type) {
  for (const auto& info : kFileTypes) {
    if (info.type == type) return info;
  }
  return kNoType;
}

FileType GetFileType(std::string_view name) {
  const std::string_view suffix = text::RightChars(text::TrimSpaces(name), 3);
  for (const auto& info : kFileTypes) {
    if (text::EqualsUpper(suffix, info.suffix)) return info.type;
  }
  return FileType::kNone;
}

std::int64_t GetFileLength(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return -2;
  const std::string path(name);
  const platform::PathInfo info = platform::Inspect(path);
  switch (info.error) {
    case platform::PathError::kNone:
      return info.isFolder ? -2 : info.size;
    case platform::PathError::kNotFound: {
      // Tell a missing file from a missing folder.
      const auto slash = path.find_last_of(platform::kPathSeparators);
      if (slash == std::string::npos || slash == 0) return -3;
      const platform::PathInfo folder = platform::Inspect(path.substr(0, slash));
      return folder.error == platform::PathError::kNone && folder.isFolder ? -3 : -1;
    }
    case platform::PathError::kNotAFolder:
      return -1;
    case platform::PathError::kBadName:
      return -2;
    case platform::PathError::kOther:
      break;
  }
  return -9999;
}

bool IsSameFile(std::string_view a, std::string_view b) {
  platform::FileIdentity first;
  platform::FileIdentity second;
  return platform::IdentifyFile(std::string(a), first) &&
         platform::IdentifyFile(std::string(b), second) && first == second;
}

}  // namespace vc::engine
