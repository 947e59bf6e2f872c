#include "engine/read_ahead.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/text_file.hpp"
#include "support/engine_support.hpp"

namespace vc::testing {
namespace {

using engine::InputTextFile;
using engine::ReadAheadSetting;

constexpr ReadAheadSetting kOneThread{.minimumBytes = INT64_MAX};

ReadAheadSetting Worker(std::size_t chunkBytes) {
  return {.minimumBytes = 0, .anyMachine = true, .chunkBytes = chunkBytes};
}

struct Reading {
  std::vector<std::string> lines;
  std::vector<std::vector<std::string>> blocks;
  std::uint64_t bytes = 0;
  bool operator==(const Reading&) const = default;
};

// The file read three ways: lines copied, lines as views, blocks as views.
Reading ReadEveryWay(const std::string& path, ReadAheadSetting setting) {
  Reading reading;
  std::string storage;
  {
    InputTextFile file(setting);
    EXPECT_TRUE(file.Open(path));
    EXPECT_EQ(file.ReadsAhead(), setting.minimumBytes == 0);
    std::string line;
    while (!file.AtEnd() && file.ReadLine(line)) reading.lines.push_back(line);
    EXPECT_FALSE(file.Failed());
    reading.bytes = file.BytesRead();
  }
  {
    InputTextFile file(setting);
    EXPECT_TRUE(file.Open(path));
    std::vector<std::string> viewed;
    std::string_view line;
    while (file.ReadLineView(line, storage)) viewed.emplace_back(line);
    EXPECT_EQ(viewed, reading.lines);
    EXPECT_EQ(file.BytesRead(), reading.bytes);
  }
  InputTextFile file(setting);
  EXPECT_TRUE(file.Open(path));
  std::vector<std::string_view> block;
  while (file.ReadBlock(block, storage)) reading.blocks.emplace_back(block.begin(), block.end());
  EXPECT_EQ(file.BytesRead(), reading.bytes);
  return reading;
}

// Lines that lie across the ends of the chunks a worker reads must come out
// as they do read on one thread with its larger buffer, in every chunk size
// that cuts them at another place.
TEST(ReadAhead, LinesAcrossChunkEndsAreTheLinesOfOneThread) {
  TempDir dir;
  std::string mixed;
  for (int n = 0; n < 600; ++n) {
    mixed += n % 7 == 0 ? "" : "$GPGGA,000000,3540.8720,N";
    mixed += std::string(static_cast<std::size_t>(n % 5), 'x');
    mixed += n % 3 == 0 ? "\r\n" : (n % 11 == 0 ? "\r" : "\n");
  }
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"empty file", "", {}},
      {"CR LF across a chunk end", "ab\r\ncd\r\n", {"ab", "cd"}},
      {"no line break at the end", "ab\ncd", {"ab", "cd"}},
      {"a CR alone at the end", "ab\ncd\r", {"ab", "cd"}},
      {"a line longer than a chunk",
       "x\n" + std::string(5000, 'y') + "\nz\n",
       {"x", std::string(5000, 'y'), "z"}},
      {"a UTF-8 byte-order mark",
       "\xEF\xBB\xBF"
       "京都\r\nb\n",
       {"京都", "b"}},
      {"blocks between empty lines", "a\nb\n\n\nc\r\n\r\nd", {"a", "b", "", "", "c", "", "d"}},
      {"CP932", "plain\r\n\x8B\x9E\x93\x73\r\n", {"plain", "京都"}},
      {"mixed line ends", mixed, {}},
  };
  for (const auto& c : cases) {
    const std::string path = dir.Write("in.txt", c.bytes);
    const Reading alone = ReadEveryWay(path, kOneThread);
    if (!c.lines.empty()) {
      EXPECT_EQ(alone.lines, c.lines) << c.name;
    }
    for (const std::size_t chunk : {3, 4, 5, 7, 64, 4096}) {
      EXPECT_EQ(ReadEveryWay(path, Worker(chunk)), alone) << c.name << ", chunks of " << chunk;
    }
  }
}

// A large file's encoding is looked at in two halves at once: a character
// across the middle, or a byte that is not UTF-8 in either half, must decide
// it as one pass does.
TEST(ReadAhead, TheEncodingOfTwoHalvesIsTheEncodingOfOnePass) {
  TempDir dir;
  const std::string plain(40, 'a');
  const std::string inserts[] = {"京",       "\xC3\xA9",         "\xF0\x9F\x98\x80",
                                 "\x8B\x9E", "\x80\x80\x80\x80", "\xE4\xBA"};
  for (const std::string& insert : inserts) {
    for (std::size_t at = 0; at <= plain.size(); ++at) {
      std::string bytes = plain;
      bytes.insert(at, insert);
      const std::string path = dir.Write("in.txt", bytes);
      InputTextFile alone(kOneThread);
      InputTextFile halves(Worker(4096));
      ASSERT_TRUE(alone.Open(path));
      ASSERT_TRUE(halves.Open(path));
      EXPECT_EQ(halves.encoding(), alone.encoding()) << insert << " at " << at;
      EXPECT_EQ(halves.PlainAscii(), alone.PlainAscii()) << insert << " at " << at;
    }
  }
}

std::string ManyLines(int count) {
  std::string text;
  for (int n = 0; n < count; ++n) text += "line " + std::to_string(n) + "\r\n";
  return text;
}

// Regression guard: the worker must not have read the whole file before the
// cut, or a cut input would pass for complete.
TEST(ReadAhead, AFileCutWhileReadFailsOnEitherThread) {
  TempDir dir;
  for (const ReadAheadSetting setting : {kOneThread, Worker(4096)}) {
    const std::string path = dir.Write("in.txt", ManyLines(200000));
    InputTextFile file(setting);
    ASSERT_TRUE(file.Open(path));
    std::string line;
    for (int n = 0; n < 10; ++n) ASSERT_TRUE(file.ReadLine(line));
    std::filesystem::resize_file(PathFromUtf8(path), 1000000);
    int more = 0;
    while (file.ReadLine(line)) ++more;
    EXPECT_LT(more, 200000 - 10);
    EXPECT_TRUE(file.Failed());
    EXPECT_EQ(file.ErrorText(), "The file became shorter while it was read");
  }
}

// A conversion that stops after a few lines destroys the file, or opens
// another, while the worker is still reading: it must stop and be joined,
// neither hanging nor reading into freed chunks.
TEST(ReadAhead, StoppingMidwayEndsTheWorker) {
  TempDir dir;
  const std::string big = dir.Write("big.txt", ManyLines(400000));
  const std::string small = dir.Write("small.txt", "a\nb\n");
  for (const std::size_t chunk : {3, 4096, 1 << 20}) {
    for (int stopAfter : {0, 1, 5, 1000}) {
      InputTextFile file(Worker(chunk));
      ASSERT_TRUE(file.Open(big));
      std::string_view line;
      std::string storage;
      for (int n = 0; n < stopAfter; ++n) ASSERT_TRUE(file.ReadLineView(line, storage));
      if (stopAfter == 5) {
        ASSERT_TRUE(file.Open(small));
        EXPECT_TRUE(file.ReadLineView(line, storage));
        EXPECT_EQ(line, "a");
      }
    }
  }
}

// The system's words for a failed read are taken on the worker, where the
// error happened, and handed over with the chunk.
TEST(ReadAhead, AReadErrorComesWithTheSystemsWords) {
  char byte = 0;
  ASSERT_EQ(engine::platform::ReadSome(engine::platform::kNoFile, &byte, 1), -1);
  const std::string expected = engine::platform::ErrorText(engine::platform::LastError());
  engine::ReadAhead ahead(engine::platform::kNoFile, 16, 4);
  const engine::ReadAhead::Chunk& chunk = ahead.Next();
  EXPECT_EQ(chunk.size, -1);
  EXPECT_EQ(chunk.error, expected);
  EXPECT_EQ(ahead.Next().size, 0);
}

// Views into the chunk before the one in hand stay good: the worker reads
// only into chunks two behind the caller.
TEST(ReadAhead, TheChunkBeforeTheOneInHandStaysPut) {
  TempDir dir;
  std::string text;
  for (char c = 'a'; c <= 'z'; ++c) text += std::string(15, c) + '\n';
  const std::string path = dir.Write("in.txt", text);
  const engine::platform::FileHandle file = engine::platform::OpenForReading(path);
  ASSERT_NE(file, engine::platform::kNoFile);
  {
    engine::ReadAhead ahead(file, 16, 3);
    std::string_view before;
    for (char c = 'a'; c <= 'z'; ++c) {
      const engine::ReadAhead::Chunk& chunk = ahead.Next();
      ASSERT_EQ(chunk.size, 16);
      if (!before.empty()) {
        EXPECT_EQ(before, std::string(15, static_cast<char>(c - 1)) + '\n');
      }
      before = std::string_view(chunk.data, 16);
    }
    EXPECT_EQ(ahead.Next().size, 0);
    EXPECT_EQ(ahead.Next().size, 0);  // and so on after the end
  }
  engine::platform::CloseFile(file);
}

}  // namespace
}  // namespace vc::testing
