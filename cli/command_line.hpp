// The options of `vornconv`: each maps to one control of the window, with the
// window's initial state as its default.
#pragma once

#include <string>
#include <vector>

#include "engine/options.hpp"

namespace vc::cli {

struct CommandLine {
  engine::ConvertOptions options;
  bool force = false;
  bool launch = false;
  bool quiet = false;
};

// Parses the arguments (without the program name). Returns -1 when the
// conversion should run; otherwise the exit status, after help, the version
// or a usage error has been printed to `out` or `err`.
int ParseCommandLine(const std::vector<std::string>& args, CommandLine& commandLine,
                     std::string& out, std::string& err);

}  // namespace vc::cli
