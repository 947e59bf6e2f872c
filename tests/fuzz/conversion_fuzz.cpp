// Whole conversions: the fuzzed bytes become an input file of one readable
// type, converted by the driver into one writable type with fuzzed options.
//
// The first bytes choose, the rest is the file:
//   0  input type (MPS, Waypoint+, VRC, VRP, VRM, VRN, GPX)
//   1  output type (MPS, Waypoint+, VRC)
//   2  UTC offset option      3  datum option       4  coordinate form option
//   5  VRM/VRN datum          6  output encoding    7  point step
//   8, 9  switches: record kinds, track line and point annotations, append
//
// An input replacing its output is converted a second time the other way
// the reader has: an MPS script with every statement's position list
// packed, as a large statement's is, and a GPX document read on one thread
// and then split in two halves on two workers. The outcome and the output
// must be the same.
//
// The files live in one temporary folder made once per process and removed
// at its end.
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/context.hpp"
#include "engine/driver.hpp"
#include "engine/input/gpx_reader.hpp"
#include "engine/input/record_reader.hpp"
#include "engine/messages.hpp"
#include "engine/options.hpp"
#include "fuzz_support.hpp"

namespace {

using vc::engine::ConvertOptions;

class QuietObserver final : public vc::engine::Observer {
 public:
  void Show(vc::engine::Message, std::string_view, std::string_view) override {}
  bool AskOverwrite(std::string_view) override { return true; }
  vc::text::LocalSeconds Now() override { return vc::text::ToLocalSeconds({2002, 3, 5, 21, 0, 0}); }
};

class Scratch {
 public:
  Scratch() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vornconv-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  [[nodiscard]] std::string Path(std::string_view name) const { return (folder_ / name).string(); }

 private:
  std::filesystem::path folder_;
};

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return "<none>";
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
    bytes.append(chunk, got);
  }
  std::fclose(file);
  return bytes;
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

template <std::size_t N>
const char* Pick(const std::array<const char*, N>& choices, std::uint8_t byte) {
  return choices[byte % N];
}

constexpr std::array<const char*, 7> kInputNames{"in.mps", "in.txt", "in.vrc", "in.vrp",
                                                 "in.vrm", "in.vrn", "in.gpx"};
constexpr std::size_t kMpsInput = 0;
constexpr std::size_t kGpxInput = 6;

// Every GPX read on one thread, or every one split where it can be.
void ReadGpxSplit(bool split) {
  vc::engine::GpxReadingPolicy policy;
  policy.workerFromBytes = split ? 0 : INT64_MAX;
  policy.evenOnOneCore = split;
  policy.splitFromBytes = split ? 0 : INT64_MAX;
  vc::engine::SetGpxReadingPolicy(policy);
}
constexpr std::array<const char*, 3> kOutputNames{"out.mps", "out.txt", "out.vrc"};
constexpr std::array<const char*, 6> kUtcOffsets{"データ優先", "+9", "0", "-3.5", "+13", "x"};
constexpr std::array<const char*, 6> kDatums{"データ優先", "TOKYO",  "WGS84",
                                             "Tokyo",      "WGS 84", "?"};
constexpr std::array<const char*, 7> kCoordForms{"データ優先", "D", "DM", "DMS", "MPS", "UTM", ""};
constexpr std::array<const char*, 3> kLogDatums{"TOKYO", "WGS84", "other"};
constexpr std::array<std::int16_t, 6> kSteps{1, 2, 0, -1, 7, 32767};

void ApplySwitches(std::uint8_t a, std::uint8_t b, ConvertOptions& o) {
  o.convertWaypoints = (a & 1) != 0;
  o.convertRoutes = (a & 2) != 0;
  o.convertTracks = (a & 4) == 0;
  o.lineTotalPoints = (a & 8) != 0;
  o.lineTotalTime = (a & 16) != 0;
  o.lineTotalLength = (a & 32) != 0;
  o.lineTotalVelocity = (a & 64) != 0;
  o.append = (a & 128) != 0;
  o.pointPastDate = (b & 1) != 0;
  o.pointPastVelocity = (b & 2) != 0;
  o.pointPastDegree = (b & 4) != 0;
  o.pointHeadDegree = (b & 8) != 0;
  o.pointLegTime = (b & 16) != 0;
  o.pointLegLength = (b & 32) != 0;
  o.pointLegVelocity = (b & 64) != 0;
  o.routeOrder = (b & 128) != 0 ? "降順" : "昇順";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kHeader = 10;
  if (size < kHeader) return 0;
  static const Scratch scratch;
  ConvertOptions options;
  options.inputName = scratch.Path(kInputNames[data[0] % kInputNames.size()]);
  options.outputName = scratch.Path(kOutputNames[data[1] % kOutputNames.size()]);
  options.utcOffset = Pick(kUtcOffsets, data[2]);
  options.datum = Pick(kDatums, data[3]);
  options.coordFormat = Pick(kCoordForms, data[4]);
  options.vrmVrnDatumOption = Pick(kLogDatums, data[5]);
  options.outputEncoding = static_cast<vc::engine::OutputEncoding>(data[6] % 3);
  options.pointStep = kSteps[data[7] % kSteps.size()];
  ApplySwitches(data[8], data[9], options);
  options.groupFilePath = VC_GROUP_FILE;

  WriteBytes(options.inputName, vc::fuzz::AsText(data + kHeader, size - kHeader));
  // Appending goes to an output of some earlier content; replacing to none.
  std::remove(options.outputName.c_str());
  if (options.append) WriteBytes(options.outputName, "earlier\r\n");

  const std::size_t input = data[0] % kInputNames.size();
  const bool twoWays = (input == kMpsInput || input == kGpxInput) && !options.append;
  if (input == kGpxInput) ReadGpxSplit(false);
  QuietObserver observer;
  vc::engine::ConversionContext context;
  const vc::engine::ConversionResult result = vc::engine::ConvertFile(options, context, observer);
  if (twoWays) {
    const std::string output = ReadBytes(options.outputName);
    std::remove(options.outputName.c_str());
    if (input == kMpsInput) vc::engine::SetMpsLargeStatementBytes(1);
    if (input == kGpxInput) ReadGpxSplit(true);
    QuietObserver again;
    vc::engine::ConversionContext otherContext;
    const vc::engine::ConversionResult other =
        vc::engine::ConvertFile(options, otherContext, again);
    vc::engine::SetMpsLargeStatementBytes(0);
    if (other.outcome != result.outcome || other.reason != result.reason ||
        ReadBytes(options.outputName) != output) {
      std::abort();
    }
  }
  std::remove(options.inputName.c_str());
  return 0;
}
