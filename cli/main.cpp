// vornconv: one conversion from the command line, through the same checks and
// driver as the window's Convert button.
#ifdef _WIN32
#include <windows.h>
// After windows.h, which it builds on.
#include <io.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "engine/driver.hpp"
#include "engine/file_types.hpp"
#include "engine/installation.hpp"
#include "engine/platform_files.hpp"
#include "engine/report.hpp"
#include "launcher/launcher.hpp"

namespace {

using vc::engine::Message;

// Messages go to standard error as they stand; the overwrite question is
// asked on a terminal, and refused elsewhere unless --force answered it.
class ConsoleObserver final : public vc::engine::Observer {
 public:
  ConsoleObserver(bool force, bool interactive) : force_(force), interactive_(interactive) {}

  void Show(Message message, std::string_view name) override {
    std::cerr << vc::engine::MessageText(message, name) << '\n';
  }

  bool AskOverwrite(std::string_view name) override {
    if (force_) return true;
    const std::string question = vc::engine::MessageText(Message::kOverwriteQuestion, name);
    if (!interactive_) {
      std::cerr << question << '\n';
      return false;
    }
    std::cerr << question << " [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
  }

 private:
  bool force_;
  bool interactive_;
};

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

#ifdef _WIN32
// The arguments as UTF-8: main's own are in the ANSI code page, which
// cannot hold every file name (Japanese ones on a Western system).
std::vector<std::string> Arguments(int /*argc*/, char** /*argv*/) {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(vc::engine::platform::Utf8FromWide(wide[i]));
  LocalFree(wide);
  return args;
}

// The messages are UTF-8; a console shows them as such while vornconv runs,
// and gets its own code page back afterwards.
class ConsoleCodePage {
 public:
  ConsoleCodePage() : saved_(GetConsoleOutputCP()) {
    if (saved_ != 0) SetConsoleOutputCP(CP_UTF8);
  }
  ~ConsoleCodePage() {
    if (saved_ != 0) SetConsoleOutputCP(saved_);
  }
  ConsoleCodePage(const ConsoleCodePage&) = delete;
  ConsoleCodePage& operator=(const ConsoleCodePage&) = delete;

 private:
  UINT saved_;
};
#else
std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

struct ConsoleCodePage {};
#endif

// The report on standard output; that nothing was written is also said on
// standard error, even when quiet, since a script must not miss it.
void PrintReport(const vc::engine::ConvertOptions& options,
                 const vc::engine::ConversionReport& report, bool quiet) {
  if (!quiet) {
    std::cout << "vornconv: " << options.inputName << " -> " << options.outputName << '\n';
    for (const std::string& line : vc::engine::FormatReport(report)) {
      std::cout << "  " << line << '\n';
    }
  }
  const std::string warning = vc::engine::NothingWrittenWarning(report);
  if (!warning.empty()) std::cerr << "vornconv: warning: " << warning << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  [[maybe_unused]] const ConsoleCodePage codePage{};
  const std::vector<std::string> args = Arguments(argc, argv);
  vc::cli::CommandLine commandLine;
  std::string out;
  std::string err;
  const int status = vc::cli::ParseCommandLine(args, commandLine, out, err);
  std::cout << out;
  std::cerr << err;
  if (status >= 0) return status;

#ifdef SIGXFSZ
  // A file-size limit makes writes fail instead of killing the process, so the
  // output can still be put back as it was.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  commandLine.options.groupFilePath = vc::engine::FindGroupDefinitionsFile();
  ConsoleObserver observer(commandLine.force, IsTerminal(stdin) && IsTerminal(stderr));
  vc::engine::ConversionContext context;
  const vc::engine::ConversionResult result =
      vc::engine::RunConvertCommand(commandLine.options, context, observer);
  if (result.outcome != vc::engine::Outcome::kConverted) return 1;

  const std::string& output = commandLine.options.outputName;
  PrintReport(commandLine.options, result.report, commandLine.quiet);
  if (commandLine.launch && vc::engine::GetFileType(output) == vc::engine::FileType::kMps) {
    const vc::launcher::LaunchResult launch = vc::launcher::LaunchProAtlas(output);
    if (launch.status == vc::launcher::LaunchStatus::kStartFailed) {
      std::cerr << vc::engine::MessageText(Message::kCannotStart, launch.program) << " ("
                << vc::launcher::SystemErrorText(launch.systemError) << ")\n";
    }
  }
  return 0;
}
