// The output file under attack and accident: another user who may write the
// output's folder, two conversions of one output at once, names as long as
// the system allows; and the input side of the same promise: an input cut
// while it is read, an addition in another encoding, a stop asked for in the
// middle of one long statement, and the system's reason given with every
// message about a file.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "engine/driver.hpp"
#include "engine/platform_files.hpp"
#include "engine/text_file.hpp"
#include "support/engine_support.hpp"
#include "text/strings.hpp"

namespace vc::testing {
namespace {

namespace fs = std::filesystem;
using engine::ConversionResult;
using engine::ConvertOptions;
using engine::Message;
using engine::Outcome;

constexpr std::string_view kOldOutput = "earlier output\r\n";
constexpr std::string_view kTokyoDatum =
    "Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664\r\n";

// A Waypoint+ track of `points` points, about 48 bytes a line; `shift`
// makes tracks that differ.
std::string Track(int points, int shift = 0) {
  std::string text(kTokyoDatum);
  for (int i = 0; i < points; ++i) {
    const int at = i + shift;
    const int second = at % 60;
    const int minute = (at / 60) % 60;
    text += "TP,D, 35." + std::to_string(100000 + at % 90000) + ", 139." +
            std::to_string(200000 + at % 90000) + ",01/01/2002,1" + std::to_string(at / 3600 % 10) +
            ":" + (minute < 10 ? "0" : "") + std::to_string(minute) + ":" +
            (second < 10 ? "0" : "") + std::to_string(second) + "," + (i == 0 ? "1" : "0") + "\r\n";
  }
  return text;
}

// `count` Waypoint+ waypoints: one record each, so the driver asks whether
// to stop before every one.
std::string Waypoints(int count, std::string_view name = "WP") {
  std::string text(kTokyoDatum);
  for (int i = 0; i < count; ++i) {
    text += "WP,D," + std::string(name) + std::to_string(i) + ", 35." + std::to_string(100000 + i) +
            ", 139.200000,01/31/2002,21:05:09,\r\n";
  }
  return text;
}

ConversionResult Convert(const std::string& in, const std::string& out, RecordingObserver& observer,
                         const std::function<void(ConvertOptions&)>& adjust = {}) {
  ConvertOptions options = OptionsFor(in, out);
  options.convertWaypoints = true;
  if (adjust) adjust(options);
  engine::ConversionContext context;
  return engine::ConvertFile(options, context, observer);
}

#ifndef _WIN32
std::uint32_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0xFFFFFFFF;
}

// Sets the file-creation mask for a test and puts the old one back.
class Umask {
 public:
  explicit Umask(mode_t mask) : saved_(::umask(mask)) {}
  ~Umask() { ::umask(saved_); }
  Umask(const Umask&) = delete;
  Umask& operator=(const Umask&) = delete;

 private:
  mode_t saved_;
};

// Runs `attack` as another user: as root, in a child process that has
// become "nobody"; otherwise as this same user, which still shows whether a
// planted name is used, though not whose the file becomes.
void AsAnotherUser(const std::function<bool()>& attack) {
  const passwd* nobody = ::getpwnam("nobody");
  if (::geteuid() != 0 || nobody == nullptr) {
    std::cout << "[   NOTE   ] not root: the attacker is this same user\n";
    ASSERT_TRUE(attack());
    return;
  }
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const bool dropped = ::setgid(gid) == 0 && ::setuid(uid) == 0;
    ::_exit(dropped && attack() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the attack could not be set up";
}
#endif

class OutputSafety : public ::testing::Test {
 protected:
  TempDir dir;
  RecordingObserver observer;
};

TEST_F(OutputSafety, TemporaryFileIsNewPrivateAndShortlyNamed) {
  const std::string out = dir.Path("out.mps");
  engine::OutputTextFile first;
  engine::OutputTextFile second;
  ASSERT_TRUE(first.Open(out, engine::OutputTextFile::Mode::kReplace, engine::Encoding::kUtf8));
  ASSERT_TRUE(second.Open(out, engine::OutputTextFile::Mode::kReplace, engine::Encoding::kUtf8));
  EXPECT_NE(first.temporaryPath(), second.temporaryPath());
  for (const engine::OutputTextFile* file : {&first, &second}) {
    const fs::path temporary = PathFromUtf8(file->temporaryPath());
    EXPECT_EQ(temporary.parent_path(), dir.path());
    const std::string name = Utf8FromPath(temporary.filename());
    EXPECT_TRUE(engine::OutputTextFile::IsTemporaryName(name)) << name;
    EXPECT_EQ(name.size(), 18U) << name;
#ifndef _WIN32
    EXPECT_EQ(ModeOf(file->temporaryPath()), 0600U) << "readable by others while written";
#endif
  }
  second.Abort();
  ASSERT_TRUE(first.Commit());
  EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
}

#ifndef _WIN32
// A new output gets the permissions the file-creation mask gives; a
// replaced one keeps its own, group and others included.
TEST_F(OutputSafety, OutputGetsTheTargetsPermissions) {
  const Umask mask(027);
  const std::string in = dir.Write("in.txt", Track(3));
  const std::string fresh = dir.Path("fresh.vrc");
  ASSERT_EQ(Convert(in, fresh, observer).outcome, Outcome::kConverted);
  EXPECT_EQ(ModeOf(fresh), 0640U);
  const std::string replaced = dir.Write("replaced.vrc", kOldOutput);
  ::chmod(replaced.c_str(), 0664);
  ASSERT_EQ(Convert(in, replaced, observer).outcome, Outcome::kConverted);
  EXPECT_EQ(ModeOf(replaced), 0664U);
  EXPECT_EQ(engine::platform::NewFilePermissions(), 0640U);
}

// Regression: the temporary file had a fixed name beside the output and was
// opened following links, without O_EXCL: another user who could write the
// folder planted a link there to overwrite any file of the victim's, or a
// file of their own, which then became the victim's output (theirs, mode
// 0666, open to their additions).
TEST_F(OutputSafety, NamesPlantedByAnotherUserInTheFolderAreNotUsed) {
  const Umask mask(022);
  const std::string in = dir.Write("in.txt", Track(3));
  const std::string secret = dir.Write("secret.txt", "the victim's own file\n");
  fs::create_directory(dir.path() / "shared");
  fs::permissions(dir.path() / "shared", fs::perms::all);
  const std::string linked = dir.Path("shared/linked.vrc");
  const std::string planted = dir.Path("shared/planted.vrc");
  // The names the temporary files used to have, and a few of the new form.
  std::vector<std::string> traps = {dir.Path("shared/.linked.vrc.vornconv-partial"),
                                    dir.Path("shared/.planted.vrc.vornconv-partial")};
  AsAnotherUser([&] {
    bool planted_all = ::symlink(secret.c_str(), traps[0].c_str()) == 0;
    const int fd = ::open(traps[1].c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    planted_all = planted_all && fd >= 0 && ::fchmod(fd, 0666) == 0 && ::write(fd, "x", 1) == 1;
    if (fd >= 0) ::close(fd);
    return planted_all;
  });
  for (const std::string& out : {linked, planted}) {
    ASSERT_EQ(Convert(in, out, observer).outcome, Outcome::kConverted) << out;
    struct stat st {};
    ASSERT_EQ(::lstat(out.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << out;
    EXPECT_EQ(st.st_uid, ::geteuid()) << out << " belongs to another user";
    EXPECT_EQ(st.st_mode & 07777, 0644U) << out;
    EXPECT_EQ(st.st_nlink, 1U) << out;
  }
  EXPECT_EQ(ReadFile(secret), "the victim's own file\n");
  EXPECT_EQ(ReadFile(traps[1]), "x");
}
#endif

// Regression: two conversions of one output shared one temporary file, so
// the output could hold the bytes of the run that stopped while the other
// said it converted, or a mixture of both. Each run now has its own file:
// the output is always one whole result, and a run that stops leaves it.
TEST_F(OutputSafety, ConcurrentConversionsOfOneOutputNeverMix) {
  const std::string track = dir.Write("track.txt", Track(4000));
  const std::string waypoints = dir.Write("waypoints.txt", Waypoints(3000));
  const std::string out = dir.Path("out.vrc");
  ASSERT_EQ(Convert(track, dir.Path("track.vrc"), observer).outcome, Outcome::kConverted);
  ASSERT_EQ(Convert(waypoints, dir.Path("waypoints.vrc"), observer).outcome, Outcome::kConverted);
  const std::string trackResult = dir.Read("track.vrc");
  const std::string waypointsResult = dir.Read("waypoints.vrc");
  ASSERT_NE(trackResult, waypointsResult);

  for (int round = 0; round < 24; ++round) {
    // Even rounds: both convert; odd rounds: the waypoints stop half-way.
    const bool secondStops = round % 2 == 1;
    WriteFile(out, kOldOutput);
    std::atomic<int> ready{0};
    ConversionResult first;
    ConversionResult second;
    auto run = [&](const std::string& in, ConversionResult& result, bool stops) {
      RecordingObserver own;
      if (stops) own.stopAfterPolls = 1500;
      ++ready;
      while (ready.load() < 2) std::this_thread::yield();
      result = Convert(in, out, own);
    };
    std::thread a([&] { run(track, first, false); });
    std::thread b([&] { run(waypoints, second, secondStops); });
    a.join();
    b.join();
    const std::string result = ReadFile(out);
    EXPECT_EQ(first.outcome, Outcome::kConverted) << "round " << round;
    if (secondStops) {
      EXPECT_EQ(second.outcome, Outcome::kCancelled) << "round " << round;
      EXPECT_TRUE(result == trackResult) << "round " << round << ": not the converted result";
    } else {
      EXPECT_EQ(second.outcome, Outcome::kConverted) << "round " << round;
      EXPECT_TRUE(result == trackResult || result == waypointsResult)
          << "round " << round << ": a mixture of " << result.size() << " bytes";
    }
    EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty()) << "round " << round;
    if (HasFailure()) break;
  }
}

// Regression: the temporary name added 18 bytes to the output's, so names
// of 238 to 255 bytes, which the system allows, could not be written.
TEST_F(OutputSafety, OutputNamesAsLongAsTheSystemAllows) {
#ifdef _WIN32
  GTEST_SKIP() << "Win32 paths are limited to 260 characters in all";
#endif
  const std::string in = dir.Write("in.txt", Track(3));
  for (const std::size_t length : {237U, 238U, 250U, 255U}) {
    const std::string out = dir.Path(std::string(length - 4, 'n') + ".vrc");
    observer.shown.clear();
    EXPECT_EQ(Convert(in, out, observer).outcome, Outcome::kConverted)
        << length << ": " << (observer.shown.empty() ? "" : observer.shown[0]);
    EXPECT_TRUE(fs::exists(PathFromUtf8(out))) << length;
    EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty()) << length;
  }
}

// Cuts the input down once, at the first moment the driver asks whether to
// stop: after the opening read, before the records.
class CuttingObserver final : public RecordingObserver {
 public:
  CuttingObserver(std::string path, std::uintmax_t size) : path_(std::move(path)), size_(size) {}
  bool StopRequested() override {
    if (!cut_) fs::resize_file(PathFromUtf8(path_), size_);
    cut_ = true;
    return false;
  }

 private:
  std::string path_;
  std::uintmax_t size_;
  bool cut_ = false;
};

// Regression: an input that another program cut while it was read was
// taken as complete: the old output replaced by part of the track.
TEST_F(OutputSafety, AnInputCutWhileItIsReadStopsTheConversion) {
  const std::string in = dir.Write("in.txt", Track(25000));
  ASSERT_GT(fs::file_size(PathFromUtf8(in)), 1000000U);
  for (const char* name : {"out.mps", "out.vrc"}) {
    const std::string out = dir.Write(name, kOldOutput);
    CuttingObserver cutting(in, 400000);
    const ConversionResult result = Convert(in, out, cutting);
    EXPECT_EQ(result.outcome, Outcome::kStopped) << name;
    EXPECT_EQ(result.reason, Message::kInputMissing) << name;
    EXPECT_EQ(cutting.shown, std::vector<std::string>{"[" + in + "]は存在しません．中止します．"});
    EXPECT_EQ(cutting.details,
              std::vector<std::string>{"The file became shorter while it was read"});
    EXPECT_EQ(dir.Read(name), kOldOutput) << name;
    EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty()) << name;
    WriteFile(PathFromUtf8(in), Track(25000));
  }
}

// Regression: an addition was written in the input's encoding, so UTF-8
// added to a CP932 file made a file of two encodings.
TEST_F(OutputSafety, AnAdditionKeepsTheEncodingOfTheFileAddedTo) {
  const std::string utf8Earlier = Waypoints(1, "東京");
  const std::string utf8Input = Waypoints(2, "富士山頂");
  struct Case {
    const char* what;
    std::string earlier;  // the output before
    std::string input;
    engine::OutputEncoding asked;
    bool cp932Result;  // whether the whole result is CP932 (else UTF-8)
  };
  const Case cases[] = {
      {"UTF-8 added to CP932", ToCp932(utf8Earlier), utf8Input,
       engine::OutputEncoding::kSameAsInput, true},
      {"CP932 added to UTF-8", utf8Earlier, ToCp932(utf8Input),
       engine::OutputEncoding::kSameAsInput, false},
      {"CP932 asked for, CP932 file", ToCp932(utf8Earlier), utf8Input,
       engine::OutputEncoding::kCp932, true},
      {"plain ASCII file: the encoding asked for", std::string(kOldOutput), utf8Input,
       engine::OutputEncoding::kCp932, true},
      {"plain ASCII file: the input's", std::string(kOldOutput), ToCp932(utf8Input),
       engine::OutputEncoding::kSameAsInput, true},
  };
  for (const Case& c : cases) {
    const std::string in = dir.Write("in.txt", c.input);
    const std::string out = dir.Write("out.txt", c.earlier);
    const ConversionResult result = Convert(in, out, observer, [&](ConvertOptions& o) {
      o.append = true;
      o.outputEncoding = c.asked;
    });
    ASSERT_EQ(result.outcome, Outcome::kConverted) << c.what;
    const std::string written = dir.Read("out.txt");
    ASSERT_EQ(written.substr(0, c.earlier.size()), c.earlier) << c.what;
    const std::string added = written.substr(c.earlier.size());
    const std::string text = c.cp932Result ? FromCp932(added) : added;
    EXPECT_NE(text.find("富士山頂1"), std::string::npos) << c.what << ": " << added;
    EXPECT_EQ(c.cp932Result ? ToCp932(text) : text, added) << c.what;
    EXPECT_EQ(text::IsValidUtf8(written), !c.cp932Result) << c.what;
  }
}

TEST_F(OutputSafety, AnAskedEncodingThatContradictsTheFileIsRefused) {
  const std::string earlier = ToCp932(Waypoints(1, "東京"));
  const std::string in = dir.Write("in.txt", Waypoints(2, "富士山頂"));
  const std::string out = dir.Write("out.txt", earlier);
  const ConversionResult result = Convert(in, out, observer, [](ConvertOptions& o) {
    o.append = true;
    o.outputEncoding = engine::OutputEncoding::kUtf8;
  });
  EXPECT_EQ(result.outcome, Outcome::kStopped);
  EXPECT_EQ(result.reason, Message::kAppendEncodingMismatch);
  EXPECT_EQ(observer.shown, std::vector<std::string>{
                                "[" + out + "]と異なる文字コードでは追加できません．中止します．"});
  EXPECT_EQ(observer.details, std::vector<std::string>{"The file is in CP932, not UTF-8"});
  EXPECT_EQ(dir.Read("out.txt"), earlier);
  EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
}

// Regression: the statement reader never asked whether to stop, so one
// statement left open over millions of lines held the window's Exit until
// the whole file was read.
TEST_F(OutputSafety, AStopIsHeardInsideOneLongStatement) {
  std::string script = "\t\tline\toid=\"\"\r\n\t\t\t\tpos=\"35/1/2,139/3/4,\r\n";
  while (script.size() < 4000000) script += "\t\r\n";
  const std::string in = dir.Write("in.mps", script);
  const std::string out = dir.Write("out.vrc", kOldOutput);
  // The driver asks once before the first record; the second question
  // comes from inside the statement, which is all of the file.
  observer.stopAfterPolls = 1;
  EXPECT_EQ(Convert(in, out, observer).outcome, Outcome::kCancelled);
  EXPECT_EQ(observer.polls, 2);
  EXPECT_EQ(dir.Read("out.vrc"), kOldOutput);
}

// Regression: a folder, a FIFO or an unreadable file given as input, and
// every output that could not be written, said only the system's fixed
// message; now the system's reason comes with it.
TEST_F(OutputSafety, MessagesAboutFilesComeWithTheSystemsReason) {
  fs::create_directory(dir.path() / "folder.txt");
  fs::create_directory(dir.path() / "folder.vrc");
  const std::string in = dir.Write("in.txt", Track(3));
  struct Case {
    const char* what;
    std::string input;
    std::string output;
    std::string message;
    std::string reason;  // POSIX's words; on Windows only a reason is expected
  };
  std::vector<Case> cases = {
      {"missing input", dir.Path("none.txt"), dir.Path("out.vrc"),
       "[" + dir.Path("none.txt") + "]は存在しません．中止します．", "No such file or directory"},
      {"a folder as input", dir.Path("folder.txt"), dir.Path("out.vrc"),
       "[" + dir.Path("folder.txt") + "]は存在しません．中止します．", "Is a directory"},
      {"empty input", dir.Write("empty.txt", ""), dir.Path("out.vrc"),
       "[" + dir.Path("empty.txt") + "]は存在しません．中止します．", "The file is empty"},
      {"output folder missing", in, dir.Path("none/out.vrc"),
       "[" + dir.Path("none/out.vrc") + "]に書き込めません．中止します．",
       "No such file or directory"},
      {"output is a folder", in, dir.Path("folder.vrc"),
       "[" + dir.Path("folder.vrc") + "]に書き込めません．中止します．", "Is a directory"},
  };
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(dir.Path("fifo.txt").c_str(), 0600), 0);
  cases.push_back({"a FIFO as input", dir.Path("fifo.txt"), dir.Path("out.vrc"),
                   "[" + dir.Path("fifo.txt") + "]は存在しません．中止します．",
                   "Not a regular file"});
  const std::string unreadable = dir.Write("unreadable.txt", Track(3));
  fs::permissions(unreadable, fs::perms::none);
  if (::access(unreadable.c_str(), R_OK) != 0) {
    cases.push_back({"unreadable input", unreadable, dir.Path("out.vrc"),
                     "[" + unreadable + "]は存在しません．中止します．", "Permission denied"});
  }
#endif
  for (const Case& c : cases) {
    RecordingObserver own;
    engine::ConversionContext context;
    const ConversionResult result =
        engine::RunConvertCommand(OptionsFor(c.input, c.output), context, own);
    EXPECT_EQ(result.outcome, Outcome::kStopped) << c.what;
    EXPECT_EQ(own.shown, std::vector<std::string>{c.message}) << c.what;
    ASSERT_EQ(own.details.size(), 1U) << c.what;
#ifdef _WIN32
    EXPECT_FALSE(own.details[0].empty()) << c.what;
#else
    EXPECT_EQ(own.details[0], c.reason) << c.what;
#endif
  }
}

}  // namespace
}  // namespace vc::testing
