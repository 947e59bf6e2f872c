// Test support for the engine: a temporary folder, a recording observer with
// a fixed clock, and options that find the group definitions of the tree.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/driver.hpp"
#include "engine/messages.hpp"
#include "engine/options.hpp"
#include "engine/text_file.hpp"
#include "text/datetime.hpp"

namespace vc::testing {

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

// Paths from and to the UTF-8 names the engine uses: on Windows a path made
// from a plain std::string would read it in the ANSI code page.
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The tests/ folder of the source tree.
inline std::filesystem::path TestsFolder() {
  const char* folder = std::getenv("VC_TESTDATA");
#ifdef VC_TESTS_DIR
  if (folder == nullptr) folder = VC_TESTS_DIR;
#endif
  return folder != nullptr ? std::filesystem::path(folder) : std::filesystem::current_path();
}

// The folder of the built programs, or empty when unknown.
inline std::string ProgramsFolder() {
  const char* folder = std::getenv("VC_BIN");
#ifdef VC_BIN_DIR
  if (folder == nullptr) folder = VC_BIN_DIR;
#endif
  return folder != nullptr ? folder : "";
}

inline std::string GroupFileOfTree() {
  return (TestsFolder() / ".." / "data" / "header_mps_group.dat").lexically_normal().string();
}

// A new, empty folder in the system's temporary folder, removed with all it
// holds at the end. The path stays empty when no folder could be made.
class TempDir {
 public:
  TempDir() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::filesystem::path candidate =
          base / ("vornconv-test-" + std::to_string(random()) + std::to_string(random()));
      // False without an error when the name is taken: then another one.
      if (std::filesystem::create_directory(candidate, error)) {
        path_ = candidate;
        return;
      }
      if (error) return;
    }
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  // The UTF-8 path of `name` (UTF-8) in the folder.
  [[nodiscard]] std::string Path(std::string_view name) const {
    return Utf8FromPath(path_ / PathFromUtf8(name));
  }
  std::string Write(std::string_view name, std::string_view content) const {
    WriteFile(path_ / PathFromUtf8(name), content);
    return Path(name);
  }
  [[nodiscard]] std::string Read(std::string_view name) const {
    return ReadFile(path_ / PathFromUtf8(name));
  }

 private:
  std::filesystem::path path_;
};

// Records every message as its text (and the system's reason given with it
// in `details`, at the same index), answers the overwrite question with a
// preset answer, and sees a fixed "now": 2002/03/05 21:00:00.
class RecordingObserver : public engine::Observer {
 public:
  void Show(engine::Message message, std::string_view name, std::string_view detail) override {
    shown.push_back(engine::MessageText(message, name));
    details.emplace_back(detail);
  }
  bool AskOverwrite(std::string_view name) override {
    shown.push_back(engine::MessageText(engine::Message::kOverwriteQuestion, name));
    details.emplace_back();
    return overwriteAnswer;
  }
  void BeginProgress(engine::ProgressStage stage) override {
    progress.push_back(stage == engine::ProgressStage::kReadingTrack ? "read" : "write");
  }
  void PointProgress(std::int64_t pointNumber) override {
    progress.push_back(std::to_string(pointNumber));
  }
  bool StopRequested() override { return stopAfterPolls >= 0 && polls++ >= stopAfterPolls; }
  text::LocalSeconds Now() override { return now; }
  bool ConversionStarting(engine::ConvertOptions& snapshot) override {
    if (completeSnapshot) completeSnapshot(snapshot);
    return startAnswer;
  }

  std::vector<std::string> shown;
  std::vector<std::string> details;
  std::vector<std::string> progress;
  bool overwriteAnswer = true;
  bool startAnswer = true;
  std::function<void(engine::ConvertOptions&)> completeSnapshot;
  int stopAfterPolls = -1;  // -1: never stop
  int polls = 0;
  text::LocalSeconds now = text::ToLocalSeconds({2002, 3, 5, 21, 0, 0});
};

// The temporary output files a conversion left in `folder`.
inline std::vector<std::string> TemporaryFilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = Utf8FromPath(entry.path().filename());
    if (engine::OutputTextFile::IsTemporaryName(name)) names.push_back(name);
  }
  return names;
}

// A text in CP932 and back, as the program's own codec makes them.
inline std::string ToCp932(std::string_view utf8) {
  engine::Cp932Codec codec;
  std::string cp932;
  codec.Encode(utf8, cp932);
  return cp932;
}

inline std::string FromCp932(std::string_view cp932) {
  engine::Cp932Codec codec;
  std::string utf8;
  codec.Decode(cp932, utf8);
  return utf8;
}

inline engine::ConvertOptions OptionsFor(std::string input, std::string output) {
  engine::ConvertOptions options;
  options.inputName = std::move(input);
  options.outputName = std::move(output);
  options.groupFilePath = GroupFileOfTree();
  return options;
}

}  // namespace vc::testing
