#include "engine/output/output_file.hpp"

#include <string>

#include "text/strings.hpp"

namespace vc::engine {

std::string_view WaypointPlusDatumLine(std::string_view datum) {
  if (text::EqualsUpper(datum, "WGS84")) return "Datum,WGS84,WGS84,0,0,0,0,0";
  if (text::EqualsUpper(datum, "TOKYO")) {
    return "Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664";
  }
  return {};
}

bool WriteOutputHeader(OutputTextFile& output, FileType type, Conversion& conversion) {
  switch (type) {
    case FileType::kMps: {
      InputTextFile groups;
      const std::string& groupFile = conversion.options.groupFilePath;
      if (groupFile.empty() || !groups.Open(groupFile)) {
        conversion.observer.Show(Message::kGroupFileMissing, groupFile, groups.ErrorText());
        return false;
      }
      output.WriteLine(R"(mapserver script ver="1.0";)");
      std::string line;
      while (groups.ReadLine(line)) output.WriteLine(line);
      if (groups.Failed()) {
        conversion.observer.Show(Message::kGroupFileMissing, groupFile, groups.ErrorText());
        return false;
      }
      output.WriteLine("");
      return true;
    }
    case FileType::kWpt: {
      const std::string_view datumLine = WaypointPlusDatumLine(conversion.context.fileDatum);
      if (!datumLine.empty()) output.WriteLine(datumLine);
      return true;
    }
    default:
      return true;
  }
}

void WriteOutputTrailer(OutputTextFile& output, FileType type) {
  if (type != FileType::kMps) return;
  output.WriteLine("\tdisp\tall;");
  output.WriteLine("mapserver end;");
}

}  // namespace vc::engine
