// vornconv: one conversion from the command line, through the same checks and
// driver as the window's Convert button.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "cli/command_line.hpp"
#include "engine/driver.hpp"
#include "engine/file_types.hpp"
#include "engine/installation.hpp"
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

std::string Plural(std::int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  vc::cli::CommandLine commandLine;
  std::string out;
  std::string err;
  const int status = vc::cli::ParseCommandLine(args, commandLine, out, err);
  std::cout << out;
  std::cerr << err;
  if (status >= 0) return status;

  // A file-size limit makes writes fail instead of killing the process, so the
  // output can still be put back as it was.
  std::signal(SIGXFSZ, SIG_IGN);
  commandLine.options.groupFilePath = vc::engine::FindGroupDefinitionsFile();
  ConsoleObserver observer(commandLine.force, isatty(STDIN_FILENO) && isatty(STDERR_FILENO));
  vc::engine::ConversionContext context;
  const vc::engine::ConversionResult result =
      vc::engine::RunConvertCommand(commandLine.options, context, observer);
  if (result.outcome != vc::engine::Outcome::kConverted) return 1;

  const std::string& output = commandLine.options.outputName;
  if (!commandLine.quiet) {
    const auto& w = result.written;
    std::cout << "vornconv: " << Plural(w.waypoints, "waypoint", "waypoints") << ", "
              << Plural(w.routes, "route", "routes") << ", " << Plural(w.tracks, "track", "tracks")
              << ", " << Plural(w.points, "point", "points") << " written to " << output << '\n';
  }
  if (commandLine.launch && vc::engine::GetFileType(output) == vc::engine::FileType::kMps) {
    const vc::launcher::LaunchResult launch = vc::launcher::LaunchProAtlas(output);
    if (launch.status == vc::launcher::LaunchStatus::kStartFailed) {
      std::cerr << vc::engine::MessageText(Message::kCannotStart, launch.program) << " ("
                << std::strerror(launch.systemError) << ")\n";
    }
  }
  return 0;
}
