// The options of one conversion: the 23 values of the window's controls at
// the moment of Convert, plus what the installation and the command line add.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/records.hpp"

namespace vc::engine {

enum class OutputEncoding {
  kSameAsInput,
  kUtf8,
  kCp932,
};

struct ConvertOptions {
  std::string inputName;
  std::string outputName;
  // "データ優先", "+9", "0" or any typed text. Writing MPS sets these three
  // to "+9", "TOKYO" and "MPS" for the rest of the conversion.
  std::string utcOffset = kDataPriority;
  std::string datum = kDataPriority;
  std::string coordFormat = kDataPriority;
  // "昇順" numbers route points upwards; anything else downwards.
  std::string routeOrder = "昇順";
  bool lineTotalPoints = false;
  bool lineTotalTime = false;
  bool lineTotalLength = false;
  bool lineTotalVelocity = false;
  std::int16_t pointStep = 1;
  bool pointPastDate = false;
  bool pointPastVelocity = false;
  bool pointPastDegree = false;
  bool pointHeadDegree = false;
  bool pointLegTime = false;
  bool pointLegLength = false;
  bool pointLegVelocity = false;
  bool append = false;
  bool convertWaypoints = false;
  bool convertRoutes = false;
  bool convertTracks = true;
  std::string vrmVrnDatumOption = "TOKYO";

  OutputEncoding outputEncoding = OutputEncoding::kSameAsInput;
  // The group definitions copied into every MPS output.
  std::string groupFilePath;
};

}  // namespace vc::engine

namespace vc::engine {

// The point step typed in the window or given on the command line: a number
// from -32768 to 32767, a fraction going to the nearest whole number (halves
// to the even one). False for any other text.
bool ParsePointStep(std::string_view text, std::int16_t& step);

}  // namespace vc::engine
