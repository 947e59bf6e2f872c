#include "engine/output/output_frame.hpp"

namespace vc::engine {

OutputFrame DecideOutputFrame(FileType input, FileType output, const ConvertOptions& options,
                              std::string_view inputFileDatum) {
  OutputFrame frame;
  if (output == FileType::kMps) {
    frame.datum = "TOKYO";
    frame.coordFormat = "MPS";
    frame.utcOffset = "+9";
    return frame;
  }
  if (output == FileType::kGpx || output == FileType::kKml) {
    frame.datum = "WGS84";
    frame.coordFormat = "D";
    frame.utcOffset = "0";
    return frame;
  }
  frame.datum = options.datum;
  frame.coordFormat = options.coordFormat;
  frame.utcOffset = options.utcOffset;
  if (output != FileType::kWpt) return frame;
  // Waypoint+ reads its times as UTC: a point keeping its own zone (+9 of a
  // logger) would be written nine hours off.
  if (frame.utcOffset == kDataPriority) frame.utcOffset = "0";
  if (input == FileType::kWpt) {
    frame.headerDatum =
        options.datum == kDataPriority ? std::string(inputFileDatum) : options.datum;
    return frame;
  }
  if (input == FileType::kMps) frame.coordFormat = "DMS";
  if (frame.datum == kDataPriority) frame.datum = "Tokyo";
  frame.headerDatum = frame.datum;
  return frame;
}

}  // namespace vc::engine
