// The spine of a conversion: decide both file types from the names, open the
// input, open the output and write its header, stream the records from the
// reader to the writer one at a time, write the trailer and close.
#pragma once

#include <optional>
#include <span>

#include "engine/context.hpp"
#include "engine/conversion.hpp"
#include "engine/file_types.hpp"
#include "engine/messages.hpp"
#include "engine/options.hpp"
#include "engine/preview.hpp"
#include "engine/report.hpp"

namespace vc::engine {

enum class Outcome {
  kConverted,
  kStopped,    // with one of the system's messages, already shown
  kCancelled,  // the front asked to stop
};

struct ConversionResult {
  Outcome outcome = Outcome::kStopped;
  std::optional<Message> reason;
  // What the conversion read, skipped and wrote (also for a stopped one, up
  // to where it stopped).
  ConversionReport report;
};

// Converts options.inputName into options.outputName. The options are a
// snapshot: the conversion may change its own copy. Whatever happens, an
// output that existed before is left exactly as it was unless the result is
// kConverted. `types` supplies the readers and writers (tests pass fakes).
ConversionResult ConvertFile(ConvertOptions options, ConversionContext& context, Observer& observer,
                             std::span<const FileTypeInfo> types = FileTypes());

// What the window's Convert button and the command line do before
// converting: check the two names, announce an append or ask before an
// existing output is overwritten, then convert. `outputTypeChosen` is the
// window's type buttons (the command line always has a type).
ConversionResult RunConvertCommand(const ConvertOptions& options, ConversionContext& context,
                                   Observer& observer, bool outputTypeChosen = true,
                                   std::span<const FileTypeInfo> types = FileTypes());

// Reads options.inputName through its reader and hands every waypoint, route
// and track to `sink`, as they are in the file, without opening any output:
// a look at a file before it is converted. Nothing is shown; a file that
// cannot be read ends kStopped with its reason. Uses a context of its own,
// so no numbering the front keeps moves on. Honours StopRequested.
ConversionResult PreviewFile(const ConvertOptions& options, Observer& observer, PreviewSink& sink,
                             std::span<const FileTypeInfo> types = FileTypes());

}  // namespace vc::engine
