// The options of `vornconv`: each maps to one control of the window, with the
// window's initial state as its default. A call converts one INPUT into one
// OUTPUT, or, with -o DIR and --to TYPE, every INPUT into DIR.
#pragma once

#include <string>
#include <vector>

#include "engine/file_types.hpp"
#include "engine/options.hpp"

namespace vc::cli {

struct CommandLine {
  // The settings of every conversion of the call; in the single form also
  // its inputName and outputName.
  engine::ConvertOptions options;
  // The batch form (-o DIR): every INPUT, the folder and the type written.
  std::vector<std::string> inputs;
  std::string outputFolder;
  engine::FileType outputType = engine::FileType::kNone;
  // Files converted at a time; 0 for the number of cores.
  unsigned jobs = 0;
  bool force = false;
  bool launch = false;
  bool quiet = false;

  [[nodiscard]] bool IsBatch() const { return !outputFolder.empty(); }
};

// Parses the arguments (without the program name). Returns -1 when the
// conversion should run; otherwise the exit status, after help, the version
// or a usage error has been printed to `out` or `err`.
int ParseCommandLine(const std::vector<std::string>& args, CommandLine& commandLine,
                     std::string& out, std::string& err);

}  // namespace vc::cli
