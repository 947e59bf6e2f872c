// A system whose iconv has no CP932 converter (a minimal installation
// without its gconv modules). This program defines iconv_open itself, in
// front of the C library's: it passes every call on, unless a test has
// made the converters unavailable.
#ifndef _WIN32
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "engine/driver.hpp"
#include "engine/text_file.hpp"
#include "support/engine_support.hpp"

namespace {

std::atomic<bool> convertersMissing{false};

using IconvOpen = iconv_t (*)(const char*, const char*);

IconvOpen RealIconvOpen() {
  void* symbol = dlsym(RTLD_NEXT, "iconv_open");
  IconvOpen function = nullptr;
  std::memcpy(&function, &symbol, sizeof(function));
  return function;
}

}  // namespace

extern "C" iconv_t iconv_open(const char* to, const char* from) {
  if (convertersMissing) {
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
  }
  static const IconvOpen real = RealIconvOpen();
  return real(to, from);
}

namespace vc::testing {
namespace {

using engine::Outcome;

class ConvertersMissing {
 public:
  ConvertersMissing() { convertersMissing = true; }
  ~ConvertersMissing() { convertersMissing = false; }
  ConvertersMissing(const ConvertersMissing&) = delete;
  ConvertersMissing& operator=(const ConvertersMissing&) = delete;
};

constexpr std::string_view kOldOutput = "earlier output\r\n";
constexpr std::string_view kReason = "No CP932 converter (iconv): Invalid argument";

// Regression: without iconv's converters the CP932 bytes were written raw
// into an output declared UTF-8 (and UTF-8 into one declared CP932), with
// exit status 0.
TEST(Cp932Unavailable, StopsInsteadOfWritingUnconvertedBytes) {
  TempDir dir;
  std::string cp932Input;
  engine::Cp932Codec codec;
  ASSERT_TRUE(codec.Problem().empty());
  codec.Encode("WP,D,富士山頂, 35.3606, 138.7274,01/31/2002,21:05:09,\r\n", cp932Input);
  const std::string cp932In = dir.Write("cp932.txt", cp932Input);
  const std::string utf8In =
      dir.Write("utf8.txt", "WP,D,東京, 35.68, 139.76,01/31/2002,21:05:09,\r\n");
  const struct {
    const char* what;
    std::string input;
    engine::OutputEncoding encoding;
    std::string message;
  } cases[] = {
      {"CP932 input", cp932In, engine::OutputEncoding::kUtf8,
       "[" + cp932In + "]は存在しません．中止します．"},
      {"CP932 output", utf8In, engine::OutputEncoding::kCp932,
       "[" + dir.Path("out.vrc") + "]に書き込めません．中止します．"},
  };
  const ConvertersMissing missing;
  for (const auto& c : cases) {
    const std::string out = dir.Write("out.vrc", kOldOutput);
    engine::ConvertOptions options = OptionsFor(c.input, out);
    options.convertWaypoints = true;
    options.outputEncoding = c.encoding;
    RecordingObserver observer;
    engine::ConversionContext context;
    const engine::ConversionResult result = engine::ConvertFile(options, context, observer);
    EXPECT_EQ(result.outcome, Outcome::kStopped) << c.what;
    EXPECT_EQ(observer.shown, std::vector<std::string>{c.message}) << c.what;
    EXPECT_EQ(observer.details, std::vector<std::string>{std::string(kReason)}) << c.what;
    EXPECT_EQ(dir.Read("out.vrc"), kOldOutput) << c.what;
    EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty()) << c.what;
  }
}

}  // namespace
}  // namespace vc::testing
#endif
