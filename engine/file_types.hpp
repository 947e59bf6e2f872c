// File types, decided by the last three characters of a name alone (no dot
// is needed: "trackmps" is an MPS name). One table serves the type lookup,
// the driver and the command line's help.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "text/line_source.hpp"

namespace vc::engine {

class RecordReader;
class RecordWriter;

enum class FileType { kNone, kMps, kWpt, kVrc, kGpx, kKml, kVrp, kVrm, kVrn, kNmea, kLog };

using ReaderFactory = std::unique_ptr<RecordReader> (*)(text::LineSource& lines);
using WriterFactory = std::unique_ptr<RecordWriter> (*)();

struct FileTypeInfo {
  FileType type;
  const char* code;          // "MPS", "WPT", ...
  const char* suffix;        // the last three characters, upper case
  const char* description;   // for help texts
  ReaderFactory makeReader;  // nullptr: the type cannot be read
  WriterFactory makeWriter;  // nullptr: the type cannot be written
};

std::span<const FileTypeInfo> FileTypes();
const FileTypeInfo& InfoOf(FileType type);

// The type of a file name or path; kNone for the empty name and for any name
// of an unknown type (the caller decides whether to say so).
FileType GetFileType(std::string_view name);

// The type an input is read as: its name's type, except that a .log file
// whose first lines (comments aside) are NMEA sentences is an NMEA log.
FileType GetInputFileType(std::string_view name);

// `name` renamed for `type`, as the converted name is made from the
// original's: its last three characters replaced by the type's suffix in
// lower case ("day1.vrn" becomes "day1.mps" for MPS). An extension longer
// than three characters that ends in a known type's suffix goes whole, so
// "cap.nmea" becomes "cap.gpx" for GPX, not "cap.ngpx".
std::string NameForType(std::string_view name, FileType type);

// The size of a file in bytes, or: -3 no such file, -2 a name that cannot be
// a file (empty, a folder), -1 the folder does not exist, -9999 any other
// failure.
std::int64_t GetFileLength(std::string_view name);

// True when both names exist and lead to the same file (links, another path,
// letter case on a case-insensitive file system).
bool IsSameFile(std::string_view a, std::string_view b);

}  // namespace vc::engine
