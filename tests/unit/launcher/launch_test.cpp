// Starting the map program through Wine, against a prefix made on disk and a
// fake `wine` first on PATH that writes down the arguments it was given.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "launcher/launcher.hpp"
#include "launcher/wine_paths.hpp"

namespace vc::launcher {
namespace {

namespace fs = std::filesystem;

// Registered with other letter cases than on disk: Wine finds it all the same.
constexpr std::string_view kSystemReg =
    "WINE REGISTRY Version 2\n"
    "[Software\\\\Wow6432Node\\\\ALPS\\\\Rdw50] 1700000000\n"
    "\"AppPath\"=\"C:\\\\Program Files\\\\ALPS\\\\PATLAS.EXE\"\n";
constexpr const char* kProgram = "C:\\Program Files\\ALPS\\PATLAS.EXE";

constexpr std::string_view kFakeWine =
    "#!/bin/sh\n"
    "dir=$(dirname \"$0\")\n"
    ": > \"$dir/arguments.part\"\n"
    "for argument in \"$@\"; do printf '%s\\n' \"$argument\" >> \"$dir/arguments.part\"; done\n"
    "mv \"$dir/arguments.part\" \"$dir/arguments.txt\"\n";

void WriteFile(const fs::path& file, std::string_view content) {
  std::ofstream(file, std::ios::binary) << content;
}

// A fresh folder, removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "vc_launcher_XXXXXX").string();
    path_ = mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
  }
  ~TempFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  [[nodiscard]] const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// A prefix with drive C: and the program on it, a folder with the fake wine,
// and an environment pointing at both (restored afterwards).
class WineLaunch : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(root_.Path().empty());
    fs::create_directories(Prefix() / "dosdevices");
    fs::create_directories(Prefix() / "drive_c" / "Program Files" / "ALPS");
    fs::create_directory_symlink("../drive_c", Prefix() / "dosdevices" / "c:");
    WriteFile(Prefix() / "drive_c" / "Program Files" / "ALPS" / "PAtlas.exe", "MZ");
    WriteFile(Prefix() / "system.reg", kSystemReg);
    fs::create_directories(Bin());
    WriteFile(Bin() / "wine", kFakeWine);
    fs::permissions(Bin() / "wine", fs::perms::owner_all);
    SaveAndSet("WINEPREFIX", Prefix().string());
    SaveAndSet("PATH", Bin().string() + ":" + Saved("PATH").value_or("/usr/bin:/bin"));
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

  const fs::path& Root() const { return root_.Path(); }
  fs::path Prefix() const { return root_.Path() / "prefix"; }
  fs::path Bin() const { return root_.Path() / "bin"; }
  fs::path ArgumentsFile() const { return Bin() / "arguments.txt"; }

  void SaveAndSet(const std::string& name, const std::string& value) {
    saved_.emplace_back(name, Saved(name));
    setenv(name.c_str(), value.c_str(), 1);
  }

  // The lines the fake wine wrote, once it has; nothing after a few seconds.
  std::optional<std::vector<std::string>> RecordedArguments() const {
    using namespace std::chrono_literals;
    for (auto waited = 0ms; waited < 10s; waited += 20ms) {
      if (fs::exists(ArgumentsFile())) {
        std::ifstream in(ArgumentsFile());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
      }
      std::this_thread::sleep_for(20ms);
    }
    return std::nullopt;
  }

 private:
  static std::optional<std::string> Saved(const std::string& name) {
    const char* value = getenv(name.c_str());
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
  }

  TempFolder root_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(WineLaunch, StartsWineWithProgramAndScript) {
  const fs::path folder = Root() / "My Maps" / "旅の記録";
  fs::create_directories(folder);
  const fs::path script = folder / "富士山 登山.mps";

  const LaunchResult result = LaunchProAtlas(script.string());

  EXPECT_EQ(result.status, LaunchStatus::kStarted);
  EXPECT_EQ(result.program, kProgram);
  std::string windowsScript = "Z:" + script.string();
  std::replace(windowsScript.begin(), windowsScript.end(), '/', '\\');
  const auto arguments = RecordedArguments();
  ASSERT_TRUE(arguments.has_value()) << "the fake wine did not run";
  EXPECT_EQ(*arguments, (std::vector<std::string>{kProgram, windowsScript}));
}

TEST_F(WineLaunch, NothingHappensWithoutAnInstallation) {
  fs::remove(Prefix() / "system.reg");
  EXPECT_EQ(LaunchProAtlas("/tmp/a.mps").status, LaunchStatus::kNotInstalled);
  EXPECT_EQ(LocateProAtlas(), "");
}

TEST_F(WineLaunch, NothingHappensWithoutWine) {
  SaveAndSet("PATH", Prefix().string());
  EXPECT_EQ(LocateProAtlas(), kProgram);
  EXPECT_EQ(LaunchProAtlas("/tmp/a.mps").status, LaunchStatus::kNotInstalled);
}

// Pins the fault of a stale registry value starting wine, which then fails
// where nobody sees it.
TEST_F(WineLaunch, MissingProgramIsAFailedStart) {
  fs::remove(Prefix() / "drive_c" / "Program Files" / "ALPS" / "PAtlas.exe");
  const LaunchResult result = LaunchProAtlas("/tmp/a.mps");
  EXPECT_EQ(result.status, LaunchStatus::kStartFailed);
  EXPECT_EQ(result.program, kProgram);
  EXPECT_NE(result.systemError, 0);
  EXPECT_FALSE(fs::exists(ArgumentsFile()));
}

TEST_F(WineLaunch, FindsProgramsInThePrefix) {
  struct Case {
    const char* windowsPath;
    PrefixFile expected;
  };
  const Case cases[] = {
      {"C:\\Program Files\\ALPS\\PAtlas.exe", PrefixFile::kPresent},
      {"c:/program files/alps/patlas.exe", PrefixFile::kPresent},
      {"C:\\Program Files\\\\ALPS\\.\\PAtlas.exe", PrefixFile::kPresent},
      {"C:\\Program Files\\ALPS\\Missing.exe", PrefixFile::kMissing},
      {"C:\\Program Files\\ALPS", PrefixFile::kMissing},
      {"C:\\Nowhere\\PAtlas.exe", PrefixFile::kMissing},
      {"D:\\PAtlas.exe", PrefixFile::kUnknown},
      {"C:\\Program Files\\..\\PAtlas.exe", PrefixFile::kUnknown},
      {"PAtlas.exe", PrefixFile::kUnknown},
      {"\\\\server\\share\\PAtlas.exe", PrefixFile::kUnknown},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindInPrefix(Prefix(), c.windowsPath), c.expected) << c.windowsPath;
  }
}

TEST(WindowsPathForWine, MapsTheHostRootToDriveZ) {
  struct Case {
    const char* hostPath;
    const char* expected;
  };
  const Case cases[] = {
      {"/home/user/My Maps/地図.mps", "Z:\\home\\user\\My Maps\\地図.mps"},
      {"/tmp/logs/../out.mps", "Z:\\tmp\\out.mps"},
      {"/tmp//./out.mps", "Z:\\tmp\\out.mps"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowsPathForWine(c.hostPath), c.expected) << c.hostPath;
  }
  std::string relative = "Z:" + (fs::current_path() / "out.mps").lexically_normal().string();
  std::replace(relative.begin(), relative.end(), '/', '\\');
  EXPECT_EQ(WindowsPathForWine("out.mps"), relative);
}

}  // namespace
}  // namespace vc::launcher

#endif  // _WIN32
