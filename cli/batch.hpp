// Many inputs in one call: `vornconv -o DIR --to TYPE INPUT...` converts each
// input into DIR, several at a time, each with its own conversion context and
// observer, so the outputs are byte for byte what single calls make.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.hpp"
#include "engine/file_types.hpp"

namespace vc::cli {

// The output of `input` in `folder`: the input's own name, its last three
// characters replaced by the type's (as the window's AutoFileName does).
std::string BatchOutputName(std::string_view folder, std::string_view input, engine::FileType type);

struct BatchFile {
  std::string input;
  std::string output;
  // Why the file is not converted at all, when its output would destroy
  // another file of the call; empty otherwise.
  std::string refusal;
};

// Every input with its output. A later input whose output is an earlier
// one's, or is one of the inputs, is refused: converting it would overwrite
// that file while another conversion uses it.
std::vector<BatchFile> PlanBatch(const std::vector<std::string>& inputs, std::string_view folder,
                                 engine::FileType type);

// Converts every input, commandLine.jobs at a time. Each file's result goes
// to `out` as one line when it is done, then a summary; the messages of the
// conversions go to `err`, each line led by the input's name. Lines of
// parallel conversions never mix. Returns the exit status: 0 when every
// file was converted, 1 when any stopped. `stopRequested`, when given, is
// asked by every conversion as it goes (a signal to stop).
int RunBatch(const CommandLine& commandLine, std::ostream& out, std::ostream& err,
             const std::function<bool()>& stopRequested = {});

}  // namespace vc::cli
