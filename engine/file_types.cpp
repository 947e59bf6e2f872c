#include "engine/file_types.hpp"

#include <string>

#include "engine/input/record_reader.hpp"
#include "engine/output/record_writer.hpp"
#include "engine/platform_files.hpp"
#include "engine/text_file.hpp"
#include "formats/nmea/sentence.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr FileTypeInfo kFileTypes[] = {
    {FileType::kMps, "MPS", "MPS", "mapserver script of the map program (*.mps)", &MakeMpsReader,
     &MakeMpsWriter},
    {FileType::kWpt, "WPT", "TXT", "Waypoint+ text (*.txt)", &MakeWaypointPlusReader,
     &MakeWaypointPlusWriter},
    {FileType::kVrc, "VRC", "VRC", "VornConnect file (*.vrc)", &MakeVrcReader, &MakeVrcWriter},
    {FileType::kGpx, "GPX", "GPX", "GPS exchange format 1.0 and 1.1 (*.gpx), written as 1.1",
     &MakeGpxReader, &MakeGpxWriter},
    {FileType::kKml, "KML", "KML", "Google Earth KML 2.2 (*.kml)", nullptr, &MakeKmlWriter},
    {FileType::kVrp, "VRP", "VRP", "VornPointer standard log (*.vrp)", &MakeVrpReader, nullptr},
    {FileType::kVrm, "VRM", "VRM", "VornPointer Garmin log (*.vrm)", &MakeVrmReader, nullptr},
    {FileType::kVrn, "VRN", "VRN", "VornPointer Garmin NMEA log (*.vrn)", &MakeVrnReader, nullptr},
    {FileType::kNmea, "NMEA", "MEA", "receiver NMEA 0183 log (*.nmea; also *.log holding NMEA)",
     &MakeNmeaReader, nullptr},
    {FileType::kLog, "LOG", "LOG", "log (*.log) of anything else, recognised but not read", nullptr,
     nullptr},
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

namespace {

// The first line that is neither empty nor a comment ("#", as the headers
// that capture collections put on top) starts with an NMEA address.
bool HoldsNmeaSentences(std::string_view name) {
  constexpr int kLinesLookedAt = 64;
  InputTextFile file;
  if (!file.Open(std::string(name))) return false;
  std::string line;
  for (int i = 0; i < kLinesLookedAt && file.ReadLine(line); ++i) {
    const std::string_view trimmed = text::TrimSpaces(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    return nmea::CheckSentence(trimmed) != nmea::SentenceState::kNotSentence;
  }
  return false;
}

}  // namespace

FileType GetInputFileType(std::string_view name) {
  const FileType type = GetFileType(name);
  if (type == FileType::kLog && HoldsNmeaSentences(name)) return FileType::kNmea;
  return type;
}

std::string NameForType(std::string_view name, FileType type) {
  std::size_t kept = text::DropRightChars(name, 3).size();
  const std::size_t dot = name.rfind('.');
  const bool longExtension =
      dot != std::string_view::npos && name.size() - dot - 1 > 3 &&
      name.find_first_of(platform::kPathSeparators, dot) == std::string_view::npos;
  if (longExtension && GetFileType(name) != FileType::kNone) kept = dot + 1;
  std::string renamed(name.substr(0, kept));
  for (const char c : std::string_view(InfoOf(type).suffix)) {
    renamed += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  }
  return renamed;
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
