// The options of one conversion: the 23 values of the window's controls at
// the moment of Convert, plus what the installation and the command line add.
#pragma once

#include <cstdint>
#include <optional>
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
  // The point step as typed, when a front leaves its reading to the
  // command's checks (the command line); it then replaces pointStep.
  std::optional<std::string> pointStepText;
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

enum class Message;

// The point step typed in the window or given on the command line: a number
// from -32768 to 32767, a fraction going to the nearest whole number (halves
// to the even one). False for any other text.
bool ParsePointStep(std::string_view text, std::int16_t& step);

// Checks the option values that would otherwise lose data without a word,
// in the order of the window's controls: UTC offset, datum, coordinate
// form, datum of VRM/VRN logs. Returns the message of the first bad one.
// A coordinate form given in any letter case becomes its upper-case code;
// the datum texts are kept as typed.
std::optional<Message> CheckOptionValues(ConvertOptions& options);

}  // namespace vc::engine
