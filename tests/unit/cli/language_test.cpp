// vornconv's messages follow the message locale: English under an English
// one, Japanese otherwise.
#include <gtest/gtest.h>

#include "support/engine_support.hpp"
#include "support/process_support.hpp"

namespace vc::testing {
namespace {

struct LocaleRun {
  const char* lcAll;
  const char* lang;
  const char* expected;  // after the name in square brackets
};

TEST(VornconvLanguage, MessagesFollowTheMessageLocale) {
  const std::string program = VornconvProgram();
  if (program.empty()) GTEST_SKIP() << "the programs' folder is unknown";
  TempDir dir;
  const std::string missing = dir.Path("none.vrc");
  const LocaleRun kRuns[] = {
      {"", "en_US.UTF-8", "] does not exist. Stopped.\n"},
      {"en_GB.UTF-8", "ja_JP.UTF-8", "] does not exist. Stopped.\n"},
      {"", "ja_JP.UTF-8", "]は存在しません．中止します．\n"},
      {"C.UTF-8", "en_US.UTF-8", "]は存在しません．中止します．\n"},
  };
  for (const LocaleRun& run : kRuns) {
    SCOPED_TRACE(std::string(run.lcAll) + "|" + run.lang);
    ProgramRun command;
    command.argv = {program, missing, dir.Path("out.mps")};
    command.stderrPath = dir.Path("stderr.log");
    // An empty variable counts as unset.
    command.environment = {
        {"LC_ALL", run.lcAll}, {"LC_MESSAGES", ""}, {"LANGUAGE", ""}, {"LANG", run.lang}};
    const int status = RunProgram(command);
    EXPECT_EQ(status, 1);
    // The message; the system's reason follows on a line of its own.
    const std::string err = StreamText(dir.Read("stderr.log"));
    EXPECT_EQ(err.substr(0, err.find('\n') + 1), "[" + missing + run.expected);
  }
}

}  // namespace
}  // namespace vc::testing
