// vornconv: one conversion from the command line, through the same checks and
// driver as the window's Convert button, or many (-o DIR) side by side.
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

#include "cli/batch.hpp"
#include "cli/command_line.hpp"
#include "engine/driver.hpp"
#include "engine/file_types.hpp"
#include "engine/installation.hpp"
#include "engine/platform_files.hpp"
#include "engine/report.hpp"
#include "launcher/launcher.hpp"

namespace {

using vc::engine::Message;

// The signal that asked vornconv to stop (SIGINT, SIGTERM, SIGHUP), or 0.
// The handler only records it, which is all a handler may safely do; the
// engine polls it, removes its temporary file and returns, and vornconv
// then exits as a shell expects of a program stopped by that signal.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void RecordStopSignal(int signal) { stopSignal = signal; }

void CatchStopSignals() {
#ifdef _WIN32
  std::signal(SIGINT, RecordStopSignal);
  std::signal(SIGTERM, RecordStopSignal);
#else
  struct sigaction action {};
  action.sa_handler = RecordStopSignal;
  sigemptyset(&action.sa_mask);
  // Without SA_RESTART a wait for the overwrite answer ends at once. After
  // the first signal the next one acts as usual, so a second Ctrl-C still
  // ends a conversion that does not come to a stop.
  action.sa_flags = SA_RESETHAND;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
#endif
}

// Messages go to standard error as they stand, the system's reason on a
// line of its own after them; the overwrite question is asked on a
// terminal, and refused elsewhere unless --force answered it.
class ConsoleObserver final : public vc::engine::Observer {
 public:
  ConsoleObserver(bool force, bool interactive) : force_(force), interactive_(interactive) {}

  void Show(Message message, std::string_view name, std::string_view detail) override {
    std::cerr << vc::engine::MessageText(message, name, language_) << '\n';
    if (detail.empty()) return;
    std::cerr << "vornconv: ";
    if (!name.empty()) std::cerr << name << ": ";
    std::cerr << detail << '\n';
  }

  bool StopRequested() override { return stopSignal != 0; }

  bool AskOverwrite(std::string_view name) override {
    if (force_) return true;
    const std::string question =
        vc::engine::MessageText(Message::kOverwriteQuestion, name, language_);
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
  // English under an English message locale, Japanese otherwise.
  const vc::engine::Language language_ = vc::engine::DesktopLanguage();
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
    for (const std::string& line :
         vc::engine::FormatReport(report, vc::engine::DesktopLanguage())) {
      std::cout << "  " << line << '\n';
    }
  }
  const std::string warning =
      vc::engine::NothingWrittenWarning(report, vc::engine::DesktopLanguage());
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
  CatchStopSignals();
  commandLine.options.groupFilePath = vc::engine::FindGroupDefinitionsFile();
  if (commandLine.IsBatch()) {
    const int batchStatus =
        vc::cli::RunBatch(commandLine, std::cout, std::cerr, [] { return stopSignal != 0; });
    return stopSignal != 0 ? 128 + stopSignal : batchStatus;
  }
  ConsoleObserver observer(commandLine.force, IsTerminal(stdin) && IsTerminal(stderr));
  vc::engine::ConversionContext context;
  const vc::engine::ConversionResult result =
      vc::engine::RunConvertCommand(commandLine.options, context, observer);
  // 128 and the signal's number, as a shell reports a program it stopped.
  if (stopSignal != 0) return 128 + stopSignal;
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
