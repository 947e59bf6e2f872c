// The operating system's side of the file layer, which has a POSIX and a
// Windows implementation: both must give the same answers, so these run
// unchanged on both.
#include "engine/platform_files.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/file_types.hpp"
#include "engine/installation.hpp"
#include "engine/text_file.hpp"
#include "support/engine_support.hpp"

namespace vc::testing {
namespace {

namespace platform = engine::platform;

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

TEST(Cp932Codec, DecodesAndReplacesByteForByte) {
  struct Case {
    const char* what;
    std::string cp932;
    std::string utf8;
  };
  const Case cases[] = {
      {"double-byte", "\x93\x8C\x8B\x9E", "東京"},
      {"half-width katakana", "\xB1\xDF", "ｱﾟ"},
      {"backslash and tilde stay ASCII", "\\~", "\\~"},
      // Bytes that start no character, each replaced on its own.
      {"unused single bytes", "\x80\xA0\xFD\xFE\xFF",
       std::string(kReplacement) + std::string(kReplacement) + std::string(kReplacement) +
           std::string(kReplacement) + std::string(kReplacement)},
      // A lead byte without its trail byte: the next byte is read afresh.
      {"lead byte before a blank", "\x81 a", std::string(kReplacement) + " a"},
      {"lead byte at the end", "a\x81", "a" + std::string(kReplacement)},
      // Well formed but unassigned: the trail byte is a character of its own.
      {"unassigned pair", "\x85\x40", std::string(kReplacement) + "@"},
  };
  for (const Case& c : cases) {
    engine::Cp932Codec codec;
    std::string utf8 = "<";
    codec.Decode(c.cp932, utf8);
    EXPECT_EQ(utf8, "<" + c.utf8) << c.what;
  }
}

TEST(Cp932Codec, EncodesMissingCharactersAsQuestionMarks) {
  struct Case {
    const char* what;
    std::string utf8;
    std::string cp932;
  };
  const Case cases[] = {
      {"ASCII", "WP,D,a", "WP,D,a"},
      {"double-byte", "東京", "\x93\x8C\x8B\x9E"},
      {"half-width katakana", "ｱ", "\xB1"},
      // No look-alike ("e" for "é") is picked.
      {"Latin letter", "caf\xC3\xA9", "caf?"},
      {"outside the basic plane", "\xF0\x9F\x98\x80!", "?!"},
      {"replacement character", std::string(kReplacement), "?"},
  };
  for (const Case& c : cases) {
    engine::Cp932Codec codec;
    std::string cp932;
    codec.Encode(c.utf8, cp932);
    EXPECT_EQ(cp932, c.cp932) << c.what;
  }
}

TEST(PlatformFiles, InspectsWhatIsThere) {
  TempDir dir;
  const std::string file = dir.Write("f.txt", "12345");
  const platform::PathInfo found = platform::Inspect(file);
  EXPECT_EQ(found.error, platform::PathError::kNone);
  EXPECT_FALSE(found.isFolder);
  EXPECT_EQ(found.size, 5);
  const platform::PathInfo folder = platform::Inspect(dir.path().string());
  EXPECT_EQ(folder.error, platform::PathError::kNone);
  EXPECT_TRUE(folder.isFolder);
  EXPECT_EQ(platform::Inspect(dir.Path("none.txt")).error, platform::PathError::kNotFound);
  // A file where a folder should be: the folder is missing.
  EXPECT_EQ(engine::GetFileLength(dir.Path("f.txt/x.txt")), -1);
}

TEST(PlatformFiles, SameFileThroughAnotherSpelling) {
  TempDir dir;
  const std::string file = dir.Write("f.txt", "x");
  dir.Write("g.txt", "x");
  const std::string other = Utf8FromPath(dir.path() / "." / "f.txt");
  EXPECT_TRUE(engine::IsSameFile(file, other));
  EXPECT_FALSE(engine::IsSameFile(file, dir.Path("g.txt")));
  EXPECT_FALSE(engine::IsSameFile(file, dir.Path("none.txt")));
}

TEST(PlatformFiles, MovesIntoPlaceOverAnExistingFile) {
  TempDir dir;
  const std::string from = dir.Write("new.txt", "new");
  const std::string to = dir.Write("old.txt", "old");
  ASSERT_TRUE(platform::MoveIntoPlace(from, to));
  EXPECT_EQ(dir.Read("old.txt"), "new");
  EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(from)));
  EXPECT_FALSE(platform::MoveIntoPlace(from, to));
}

TEST(PlatformFiles, KnowsTheRunningProgram) {
  const std::string program = platform::ProgramPath();
  ASSERT_FALSE(program.empty());
  EXPECT_TRUE(std::filesystem::is_regular_file(PathFromUtf8(program))) << program;
  EXPECT_EQ(PathFromUtf8(engine::ProgramFolder()), PathFromUtf8(program).parent_path());
}

TEST(PlatformFiles, CreatesOnlyNewFiles) {
  TempDir dir;
  const std::string taken = dir.Write("taken.txt", "kept");
  EXPECT_EQ(platform::CreateNew(taken), platform::kNoFile);
  EXPECT_EQ(dir.Read("taken.txt"), "kept");
  const platform::FileHandle fresh = platform::CreateNew(dir.Path("fresh.txt"));
  ASSERT_NE(fresh, platform::kNoFile);
  EXPECT_TRUE(platform::WriteAll(fresh, "abc", 3));
  EXPECT_EQ(platform::FileSize(fresh), 3);
  EXPECT_TRUE(platform::CloseFile(fresh));
}

TEST(PlatformFiles, SaysWhyInTheSystemsWords) {
  TempDir dir;
  EXPECT_EQ(platform::OpenForReading(dir.Path("none.txt")), platform::kNoFile);
  const std::string missing = platform::ErrorText(platform::LastError());
  EXPECT_FALSE(missing.empty());
  EXPECT_EQ(platform::Inspect(dir.Path("none.txt")).systemError, platform::LastError());
  EXPECT_EQ(platform::ErrorText(platform::kErrorNotARegularFile), "Not a regular file");
#ifndef _WIN32
  EXPECT_EQ(missing, "No such file or directory");
  EXPECT_EQ(platform::OpenForReading(dir.path().string()), platform::kNoFile);
  EXPECT_EQ(platform::ErrorText(platform::LastError()), "Is a directory");
#endif
}

}  // namespace
}  // namespace vc::testing
