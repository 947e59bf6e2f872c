// vornconv when the file system works against it: outputs that cannot be
// written at all or fail part-way, a process killed in the middle, inputs and
// group definitions that cannot be read. Each must stop with the system's
// message and exit status 1, and an output that existed must stay byte for
// byte as it was. Permissions, file-size limits and SIGKILL are POSIX's: on
// Windows the cases that need them are skipped.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#endif

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/text_file.hpp"
#include "support/engine_support.hpp"
#include "support/process_support.hpp"

namespace vc::testing {
namespace {

namespace fs = std::filesystem;

struct RunResult {
  int status = -1;
  std::string err;
};

struct RunSettings {
  std::string program;              // empty: the built vornconv
  std::uint64_t fileSizeLimit = 0;  // bytes; 0 for no limit
};

// Starts vornconv with standard error to a file of `dir`; the caller waits.
ProgramId StartVornconv(const TempDir& dir, std::vector<std::string> args,
                        const RunSettings& settings = {}) {
  args.insert(args.begin(), settings.program.empty() ? VornconvProgram() : settings.program);
  return StartProgram({.argv = args,
                       .stdoutPath = {},
                       .stderrPath = dir.Path("stderr.log"),
                       .environment = {{"SOURCE_DATE_EPOCH", "1015362000"}},
                       .fileSizeLimit = settings.fileSizeLimit});
}

RunResult Finish(const TempDir& dir, ProgramId program) {
  RunResult run;
  run.status = WaitForProgram(program);
  run.err = StreamText(dir.Read("stderr.log"));
  return run;
}

RunResult RunVornconv(const TempDir& dir, std::vector<std::string> args,
                      const RunSettings& settings = {}) {
  return Finish(dir, StartVornconv(dir, std::move(args), settings));
}

std::string CannotWrite(const std::string& name) {
  return "[" + name + "]に書き込めません．中止します．\n";
}

std::string Missing(const std::string& name) {
  return "[" + name + "]は存在しません．中止します．\n";
}

// The line after a message that gives the system's reason, in POSIX's words
// (Windows has its own: there only the line's start is compared).
std::string Reason(const std::string& name, const std::string& posixReason) {
  return "vornconv: " + name + ": " + posixReason + "\n";
}

::testing::AssertionResult MessageWithReason(const std::string& err, const std::string& message,
                                             const std::string& name,
                                             const std::string& posixReason) {
#ifdef _WIN32
  const std::string start = message + "vornconv: " + name + ": ";
  if (err.starts_with(start) && err.size() > start.size() + 1 && err.back() == '\n') {
    return ::testing::AssertionSuccess();
  }
  (void)posixReason;
#else
  if (err == message + Reason(name, posixReason)) return ::testing::AssertionSuccess();
#endif
  return ::testing::AssertionFailure() << "standard error was:\n" << err;
}

// A Waypoint+ track of `points` points, about 48 bytes a line; as MPS each
// point takes about three times that.
std::string LongTrack(int points) {
  std::string text = "Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664\r\n";
  for (int i = 0; i < points; ++i) {
    const int second = i % 60;
    const int minute = (i / 60) % 60;
    text += "TP,D, 35." + std::to_string(100000 + i % 90000) + ", 139." +
            std::to_string(200000 + i % 90000) + ",01/01/2002,1" + std::to_string(i / 3600 % 10) +
            ":" + (minute < 10 ? "0" : "") + std::to_string(minute) + ":" +
            (second < 10 ? "0" : "") + std::to_string(second) + "," + (i == 0 ? "1" : "0") + "\r\n";
  }
  return text;
}

constexpr std::string_view kOldOutput = "earlier output, kept byte for byte\r\n";

// Compares without printing a whole converted file when they differ.
::testing::AssertionResult AsItWas(const std::string& path) {
  const std::string content = ReadFile(path);
  if (content == kOldOutput) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << path << " changed: " << content.size()
                                       << " bytes, from \"" << content.substr(0, 80) << "\"";
}

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ProgramsFolder().empty()) GTEST_SKIP() << "the programs' folder is unknown";
  }
#ifndef _WIN32
  // Whether the test runs with privileges that ignore file permissions (CI
  // runs as root): then a read-only or unreadable file proves nothing.
  static bool PermissionsIgnored(const std::string& path, int mode) {
    return access(path.c_str(), mode) == 0;
  }
#endif
  TempDir dir;
};

TEST_F(Faults, OutputThatCannotBeCreated) {
  const auto in = dir.Write("in.txt", LongTrack(3));
  fs::create_directory(dir.path() / "folder.mps");
  const struct {
    const char* what;
    std::string output;
    const char* reason;
  } cases[] = {
      {"folder missing", dir.Path("none/out.mps"), "No such file or directory"},
      {"output is a folder", dir.Path("folder.mps"), "Is a directory"},
  };
  for (const auto& c : cases) {
    for (const char* mode : {"--force", "--append"}) {
      const RunResult run = RunVornconv(dir, {in, c.output, mode});
      EXPECT_EQ(run.status, 1) << c.what << mode;
      EXPECT_TRUE(MessageWithReason(run.err, CannotWrite(c.output), c.output, c.reason))
          << c.what << mode;
    }
  }
  EXPECT_TRUE(fs::is_directory(dir.path() / "folder.mps"));
  EXPECT_FALSE(fs::exists(dir.path() / "none"));
}

TEST_F(Faults, ReadOnlyOutputFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no folder write permission to take away";
#else
  const auto in = dir.Write("in.txt", LongTrack(3));
  fs::create_directory(dir.path() / "locked");
  const std::string out = dir.Path("locked/out.mps");
  WriteFile(out, kOldOutput);
  fs::permissions(dir.path() / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  if (PermissionsIgnored(dir.Path("locked"), W_OK)) GTEST_SKIP() << "running as root";
  // Replacing needs a new file in the folder. Appending could write to the
  // file itself, so make that read-only too.
  fs::permissions(out, fs::perms::owner_read);
  for (const char* mode : {"--force", "--append"}) {
    const RunResult run = RunVornconv(dir, {in, out, mode});
    EXPECT_EQ(run.status, 1) << mode;
    EXPECT_EQ(run.err, (mode == std::string("--append") ? "[" + out + "]に追加します．\n" : "") +
                           CannotWrite(out) + Reason(out, "Permission denied"))
        << mode;
    EXPECT_TRUE(AsItWas(out)) << mode;
  }
#endif
}

// A file-size limit makes a write fail once the output has grown past it;
// vornconv ignores SIGXFSZ, so the failure comes back as an error.
TEST_F(Faults, WriteFailingPartWayLeavesTheOutputAsItWas) {
#ifdef _WIN32
  GTEST_SKIP() << "a file-size limit (RLIMIT_FSIZE) is POSIX only";
#endif
  const auto in = dir.Write("in.txt", LongTrack(3000));
  const std::string out = dir.Path("out.mps");
  for (const char* mode : {"--force", "--append"}) {
    WriteFile(out, kOldOutput);
    const RunResult run =
        RunVornconv(dir, {in, out, mode, "--quiet"}, {.program = {}, .fileSizeLimit = 64 * 1024});
    EXPECT_EQ(run.status, 1) << mode;
    EXPECT_NE(run.err.find(CannotWrite(out) + Reason(out, "File too large")), std::string::npos)
        << mode << run.err;
    EXPECT_TRUE(AsItWas(out)) << mode;
    EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty()) << mode;
  }
  // Without the limit the same conversion goes through.
  EXPECT_EQ(RunVornconv(dir, {in, out, "--force", "--quiet"}).status, 0);
  EXPECT_GT(fs::file_size(out), 64u * 1024u);
}

// Killed at a random moment while it writes, vornconv leaves the output it
// was replacing or appending to as it was; its temporary file may remain
// (SIGKILL leaves no chance to remove it), and the next conversion of that
// output is not disturbed by it.
TEST_F(Faults, KilledMidConversionLeavesTheOutputAsItWas) {
#ifdef _WIN32
  GTEST_SKIP() << "SIGKILL is POSIX only";
#else
  const auto in = dir.Write("in.txt", LongTrack(60000));
  const std::string out = dir.Path("out.mps");
  std::random_device device;
  const unsigned seed = device();
  std::mt19937 random(seed);
  for (const char* mode : {"--force", "--append"}) {
    WriteFile(out, kOldOutput);
    for (const std::string& left : TemporaryFilesIn(dir.path())) fs::remove(dir.path() / left);
    const ProgramId program = StartVornconv(dir, {in, out, mode, "--quiet"});
    // Wait until the writing has begun, then a little longer.
    auto writing = [&] { return !TemporaryFilesIn(dir.path()).empty(); };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!writing() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
    kill(static_cast<pid_t>(program), SIGKILL);
    if (WaitForProgram(program) != -1) {
      GTEST_SKIP() << "the conversion finished before it could be killed";
    }
    EXPECT_TRUE(AsItWas(out)) << mode << " seed " << seed;
  }
  // The next conversion of the output is not disturbed by what the killed
  // one left behind.
  const std::vector<std::string> left = TemporaryFilesIn(dir.path());
  ASSERT_EQ(RunVornconv(dir, {in, out, "--force", "--quiet"}).status, 0);
  EXPECT_EQ(TemporaryFilesIn(dir.path()), left);
  EXPECT_GT(fs::file_size(out), kOldOutput.size());
#endif
}

TEST_F(Faults, InputThatCannotBeRead) {
  const std::string out = dir.Path("out.mps");
  fs::create_directory(dir.path() / "folder.txt");
  struct Case {
    const char* what;
    std::string input;
    const char* reason;
  };
  std::vector<Case> cases{{"missing", dir.Path("none.txt"), "No such file or directory"},
                          {"a folder", dir.Path("folder.txt"), "Is a directory"},
                          {"empty", dir.Write("empty.txt", ""), "The file is empty"}};
#ifndef _WIN32
  const auto unreadable = dir.Write("unreadable.txt", LongTrack(3));
  fs::permissions(unreadable, fs::perms::none);
  if (!PermissionsIgnored(unreadable, R_OK)) {
    cases.push_back({"unreadable", unreadable, "Permission denied"});
  }
  ASSERT_EQ(mkfifo(dir.Path("fifo.txt").c_str(), 0600), 0);
  cases.push_back({"a FIFO", dir.Path("fifo.txt"), "Not a regular file"});
#endif
  for (const auto& c : cases) {
    WriteFile(out, kOldOutput);
    const RunResult run = RunVornconv(dir, {c.input, out, "--force"});
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_TRUE(MessageWithReason(run.err, Missing(c.input), c.input, c.reason)) << c.what;
    EXPECT_TRUE(AsItWas(out)) << c.what;
  }
}

// vornconv finds the group definitions beside itself: a copy of it in a
// folder of its own shows what happens when the file is missing or unreadable.
class GroupFaults : public Faults {
 protected:
  void SetUp() override {
    Faults::SetUp();
    if (IsSkipped()) return;
    fs::create_directory(dir.path() / "bin");
    fs::copy_file(VornconvProgram(), program);
  }
  const std::string program = dir.Path("bin/" + fs::path(VornconvProgram()).filename().string());
  const std::string in = dir.Write("in.txt", LongTrack(3));
  const std::string out = dir.Path("out.mps");
  const std::string message = "[header_mps_group.dat]が見つかりません．中止します．\n";
};

TEST_F(GroupFaults, Missing) {
  for (const char* mode : {"--force", "--append"}) {
    WriteFile(out, kOldOutput);
    const RunResult run = RunVornconv(dir, {in, out, mode, "--quiet"}, {.program = program});
    EXPECT_EQ(run.status, 1) << mode;
    EXPECT_NE(run.err.find(message), std::string::npos) << mode << run.err;
    EXPECT_TRUE(AsItWas(out)) << mode;
  }
}

TEST_F(GroupFaults, Unreadable) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps no POSIX read permission to take away";
#else
  const std::string groups = dir.Write("bin/header_mps_group.dat", "\t\tgroup\tgid=\"1\";\r\n");
  ASSERT_EQ(RunVornconv(dir, {in, out, "--force", "--quiet"}, {.program = program}).status, 0);
  fs::permissions(groups, fs::perms::none);
  if (PermissionsIgnored(groups, R_OK)) GTEST_SKIP() << "running as root";
  WriteFile(out, kOldOutput);
  const RunResult run = RunVornconv(dir, {in, out, "--force", "--quiet"}, {.program = program});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, message + Reason(groups, "Permission denied"));
  EXPECT_TRUE(AsItWas(out));
#endif
}

// Regression: SIGINT, SIGTERM and SIGHUP ended vornconv at once, leaving its
// hidden temporary file (for an addition, the copy of the old output) in the
// output's folder. It now stops as asked, removes it, and exits with 128 and
// the signal's number, as a shell reports a program the signal stopped.
TEST_F(Faults, StopSignalsRemoveTheTemporaryFile) {
#ifdef _WIN32
  GTEST_SKIP() << "SIGHUP and signals to another process are POSIX only";
#else
  const auto in = dir.Write("in.txt", LongTrack(120000));
  const std::string out = dir.Path("out.mps");
  const struct {
    int signal;
    int status;
  } signals[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}};
  for (const auto& s : signals) {
    for (const char* mode : {"--force", "--append"}) {
      WriteFile(out, kOldOutput);
      const ProgramId program = StartVornconv(dir, {in, out, mode, "--quiet"});
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (TemporaryFilesIn(dir.path()).empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      kill(static_cast<pid_t>(program), s.signal);
      const RunResult run = Finish(dir, program);
      if (run.status == 0) GTEST_SKIP() << "the conversion finished before the signal";
      EXPECT_EQ(run.status, s.status) << strsignal(s.signal) << mode;
      EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty()) << strsignal(s.signal) << mode;
      EXPECT_TRUE(AsItWas(out)) << strsignal(s.signal) << mode;
    }
  }
#endif
}

}  // namespace
}  // namespace vc::testing
