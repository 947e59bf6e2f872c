// Whole conversions of files in the encodings users have: UTF-16 text saved
// by a Windows editor, and outputs in CP932 that cannot hold every character.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "engine/context.hpp"
#include "engine/driver.hpp"
#include "support/engine_support.hpp"

namespace vc::testing {
namespace {

using engine::ConversionContext;
using engine::ConversionResult;
using engine::ConvertOptions;
using engine::Outcome;
using engine::OutputEncoding;
using engine::SkipReason;

constexpr std::string_view kWaypoints =
    "Datum,WGS84,WGS84,0,0,0,0,0\r\n"
    "WP,D,京都駅, 34.985849, 135.758766,01/31/2002,21:05:09,\r\n"
    "TP,D, 35.5, 139.5,01/31/2002,21:05:09,1\r\n"
    "TP,D, 35.5001, 139.5,01/31/2002,21:05:19,0\r\n";

// UTF-16 of UTF-8 text, with its byte-order mark; characters outside the
// Basic Multilingual Plane become surrogate pairs.
std::string Utf16(std::string_view utf8, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  const auto unit = [&](char32_t u) {
    const char high = static_cast<char>(u >> 8);
    const char low = static_cast<char>(u & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (utf8[i + k] & 0x3F);
    i += length;
    if (c >= 0x10000) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
  }
  return bytes;
}

ConversionResult Convert(const TempDir& dir, const std::string& input, const std::string& output,
                         OutputEncoding encoding = OutputEncoding::kSameAsInput) {
  ConvertOptions options = OptionsFor(dir.Path(input), dir.Path(output));
  options.convertWaypoints = true;
  options.outputEncoding = encoding;
  RecordingObserver observer;
  ConversionContext context;
  return engine::ConvertFile(options, context, observer);
}

// Regression: a UTF-16 file was taken for CP932 and gave no record at all.
TEST(Encodings, Utf16InputConvertsAsItsUtf8Text) {
  TempDir dir;
  dir.Write("utf8.txt", kWaypoints);
  ASSERT_EQ(Convert(dir, "utf8.txt", "from_utf8.txt").outcome, Outcome::kConverted);
  const std::string expected = dir.Read("from_utf8.txt");
  ASSERT_NE(expected.find("WP,D,京都駅, 34.985849, 135.758766,"), std::string::npos);
  for (const bool bigEndian : {false, true}) {
    dir.Write("utf16.txt", Utf16(kWaypoints, bigEndian));
    const ConversionResult result = Convert(dir, "utf16.txt", "out.txt");
    EXPECT_EQ(result.outcome, Outcome::kConverted);
    EXPECT_EQ(result.report.written.waypoints, 1);
    EXPECT_EQ(result.report.written.tracks, 1);
    // Written as UTF-8 unless told otherwise.
    EXPECT_EQ(dir.Read("out.txt"), expected) << bigEndian;
    Convert(dir, "utf16.txt", "out.vrc", OutputEncoding::kCp932);
    EXPECT_NE(dir.Read("out.vrc").find("\x8B\x9E\x93\x73\x89\x77"), std::string::npos);  // 京都駅
  }
}

// Regression: characters CP932 lacks became "?" without a word.
TEST(Encodings, CharactersTheOutputLacksAreCountedAsReplaced) {
  TempDir dir;
  const struct {
    const char* name;
    OutputEncoding encoding;
    std::int64_t replaced;
    const char* written;
  } cases[] = {
      {"😀山?", OutputEncoding::kCp932, 1, "WP,D,?\x8E\x52?, 35.5, 139.5,"},
      {"😀山🗻", OutputEncoding::kCp932, 2, "WP,D,?\x8E\x52?, 35.5, 139.5,"},
      {"😀山", OutputEncoding::kUtf8, 0, "WP,D,😀山, 35.5, 139.5,"},
  };
  for (const auto& c : cases) {
    dir.Write("in.txt", std::string("WP,D,") + c.name + ",35.5,139.5,,,\r\n");
    const ConversionResult result = Convert(dir, "in.txt", "out.txt", c.encoding);
    EXPECT_EQ(result.outcome, Outcome::kConverted) << c.name;
    EXPECT_EQ(result.report.Skipped(SkipReason::kReplacedCharacter), c.replaced) << c.name;
    EXPECT_NE(dir.Read("out.txt").find(c.written), std::string::npos) << c.name;
  }
}

}  // namespace
}  // namespace vc::testing
