// The map program's lookup and start on Windows, against the real registry.
// scripts/check-windows.sh writes the keys with `wine reg add` into a fresh
// Wine prefix, registers a stand-in program (vc_record_arguments, which
// writes down its command line) as the map program, and sets VC_WINE_KEYS;
// elsewhere these tests are skipped.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "launcher/launcher.hpp"
#include "launcher/registry.hpp"
#include "launcher/win32_registry.hpp"

namespace vc::launcher {
namespace {

namespace fs = std::filesystem;

// What check-windows.sh registers.
constexpr const char* kProgram = "C:\\Program Files\\ALPS\\PAtlas.exe";
constexpr const char* kTestKey = "SOFTWARE\\VornConverterTest";

std::wstring Wide(const std::string& utf8) {
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

class RegisteredKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("VC_WINE_KEYS") == nullptr) {
      GTEST_SKIP() << "the registry keys of scripts/check-windows.sh are not there";
    }
  }
};

TEST_F(RegisteredKeys, StringValuesAndTheirViews) {
  struct Case {
    const char* name;
    RegistryValueType type;
    RegistryValue expected;
  };
  const Case cases[] = {
      // Written in both views: the 32-bit one is read first.
      {"Both", RegistryValueType::kString, std::string("32-bit view")},
      // Only in the native view: found there after the 32-bit view failed.
      {"Native", RegistryValueType::kString, std::string("native view")},
      // 300 characters arrive cut at the buffer of 256.
      {"Long", RegistryValueType::kString, std::string(kRegistryBufferChars, 'L')},
      {"Japanese", RegistryValueType::kString, std::string("地図")},
      {"Count", RegistryValueType::kDword, std::uint32_t{7}},
      // A number is not a string, nor a string a number.
      {"Count", RegistryValueType::kString, std::monostate{}},
      {"Native", RegistryValueType::kDword, std::monostate{}},
      {"Missing", RegistryValueType::kString, std::monostate{}},
  };
  const Win32Registry registry;
  for (const Case& c : cases) {
    EXPECT_EQ(ReadRegistryValue(registry, RegistryRoot::kLocalMachine, kTestKey, c.name, c.type),
              c.expected)
        << c.name;
  }
  // Regression: a REG_EXPAND_SZ value was taken as missing; it is read with
  // its variables expanded.
  const char* systemRoot = std::getenv("SystemRoot");
  ASSERT_NE(systemRoot, nullptr);
  EXPECT_EQ(ReadRegistryValue(registry, RegistryRoot::kLocalMachine, kTestKey, "Expand",
                              RegistryValueType::kString),
            RegistryValue{std::string(systemRoot) + "\\PAtlas.exe"});
  EXPECT_EQ(ReadRegistryValue(registry, RegistryRoot::kLocalMachine, "SOFTWARE\\NoSuchKey", "Both",
                              RegistryValueType::kString),
            RegistryValue{});
}

TEST_F(RegisteredKeys, LocatesTheRegisteredEdition) { EXPECT_EQ(LocateProAtlas(), kProgram); }

// Starts the stand-in with a script whose path has blanks and Japanese, and
// reads back what it was given.
class Launch : public RegisteredKeys {
 protected:
  void SetUp() override {
    RegisteredKeys::SetUp();
    if (IsSkipped()) return;
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("vc-launch-" + std::to_string(random()));
    ASSERT_TRUE(fs::create_directories(folder_ / "My Maps"));
    SetEnvironmentVariableW(L"VC_ARGUMENTS_FILE", (folder_ / "arguments.txt").wstring().c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"VC_ARGUMENTS_FILE", nullptr);
    std::error_code ignored;
    if (!folder_.empty()) fs::remove_all(folder_, ignored);
  }

  // The lines the stand-in wrote, once it has; nothing after ten seconds.
  std::optional<std::vector<std::string>> RecordedLines() const {
    using namespace std::chrono_literals;
    const fs::path file = folder_ / "arguments.txt";
    for (auto waited = 0ms; waited < 10s; waited += 20ms) {
      if (fs::exists(file)) {
        std::ifstream in(file, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
      }
      std::this_thread::sleep_for(20ms);
    }
    return std::nullopt;
  }

  fs::path folder_;
};

TEST_F(Launch, StartsTheProgramWithTheQuotedScript) {
  const std::string script = (folder_ / "My Maps").string() + "\\富士山 登山.mps";
  const LaunchResult result = LaunchProAtlas(script);
  ASSERT_EQ(result.status, LaunchStatus::kStarted);
  EXPECT_EQ(result.program, kProgram);
  const auto lines = RecordedLines();
  ASSERT_TRUE(lines.has_value()) << "the registered program did not run";
  const std::string commandLine = std::string("\"") + kProgram + "\" \"" + script + "\"";
  EXPECT_EQ(*lines, (std::vector<std::string>{commandLine, kProgram, script}));
}

// Pins the fault of a start that fails being taken for a started program.
TEST_F(Launch, AProgramThatIsGoneIsAFailedStart) {
  const std::wstring program = Wide(kProgram);
  const std::wstring away = program + L".away";
  ASSERT_TRUE(MoveFileW(program.c_str(), away.c_str()));
  const LaunchResult result = LaunchProAtlas((folder_ / "a.mps").string());
  MoveFileW(away.c_str(), program.c_str());
  EXPECT_EQ(result.status, LaunchStatus::kStartFailed);
  EXPECT_EQ(result.program, kProgram);
  EXPECT_EQ(result.systemError, static_cast<int>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(SystemErrorText(result.systemError).empty());
}

}  // namespace
}  // namespace vc::launcher

#endif  // _WIN32
