#include "engine/file_types.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "engine/input/record_reader.hpp"
#include "engine/output/record_writer.hpp"
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
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return -2;
    return static_cast<std::int64_t>(st.st_size);
  }
  switch (errno) {
    case ENOENT: {
      // Tell a missing file from a missing folder.
      const auto slash = path.find_last_of('/');
      if (slash == std::string::npos || slash == 0) return -3;
      struct stat folder {};
      const std::string folderPath = path.substr(0, slash);
      return (stat(folderPath.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode)) ? -3 : -1;
    }
    case ENOTDIR:
      return -1;
    case ENAMETOOLONG:
    case EINVAL:
      return -2;
    default:
      return -9999;
  }
}

bool IsSameFile(std::string_view a, std::string_view b) {
  struct stat sa {};
  struct stat sb {};
  if (stat(std::string(a).c_str(), &sa) != 0 || stat(std::string(b).c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace vc::engine
