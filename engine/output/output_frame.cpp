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
  frame.datum = options.datum;
  frame.coordFormat = options.coordFormat;
  frame.utcOffset = options.utcOffset;
  if (output != FileType::kWpt) return frame;
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
