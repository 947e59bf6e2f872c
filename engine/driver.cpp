#include "engine/driver.hpp"

#include <memory>
#include <optional>
#include <string>

#include "engine/input/record_reader.hpp"
#include "engine/output/output_file.hpp"
#include "engine/output/record_writer.hpp"
#include "engine/platform_files.hpp"
#include "engine/text_file.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

const FileTypeInfo& Lookup(std::span<const FileTypeInfo> types, FileType type) {
  for (const auto& info : types) {
    if (info.type == type) return info;
  }
  return InfoOf(FileType::kNone);
}

ConversionResult Stop(Conversion& conversion, Message message, std::string_view name,
                      std::string_view detail = {}) {
  conversion.observer.Show(message, name, detail);
  return {Outcome::kStopped, message, conversion.written, conversion.report};
}

bool IsSelected(RecordKind kind, const ConvertOptions& options) {
  switch (kind) {
    case RecordKind::kWpt:
      return options.convertWaypoints;
    case RecordKind::kRte:
      return options.convertRoutes;
    case RecordKind::kTrk:
      return options.convertTracks;
    default:
      return false;
  }
}

void CountWritten(RecordKind kind, Conversion& conversion) {
  const RecordBuffers& buffers = conversion.context.buffers;
  WrittenCounts& written = conversion.written;
  if (kind == RecordKind::kWpt) ++written.waypoints;
  if (kind == RecordKind::kRte) {
    ++written.routes;
    written.points += static_cast<std::int64_t>(buffers.rtePnt.Count());
  }
  if (kind == RecordKind::kTrk) {
    ++written.tracks;
    written.points += static_cast<std::int64_t>(buffers.trkPnt.Count());
  }
}

// When Waypoint+ is written from another type, the Waypoint+ datum comes
// from the datum option ("Tokyo" when the data decides), and an MPS input's
// coordinates are written as "DMS".
void ApplyWaypointPlusOutputRule(FileType inputType, Conversion& conversion) {
  ConvertOptions& options = conversion.options;
  if (inputType == FileType::kMps) options.coordFormat = "DMS";
  if (options.datum == kDataPriority) options.datum = "Tokyo";
  conversion.context.fileDatum = options.datum;
}

Encoding OutputEncodingFor(const ConvertOptions& options, Encoding inputEncoding) {
  switch (options.outputEncoding) {
    case OutputEncoding::kUtf8:
      return Encoding::kUtf8;
    case OutputEncoding::kCp932:
      return Encoding::kCp932;
    default:
      return inputEncoding;
  }
}

const char* EncodingName(Encoding encoding) {
  return encoding == Encoding::kCp932 ? "CP932" : "UTF-8";
}

// An addition is written in the encoding of the file it is added to, so the
// file stays readable as one encoding; plain ASCII is both. An encoding
// asked for that contradicts it is refused: the result when it stops.
std::optional<ConversionResult> DecideAppendEncoding(Conversion& conversion, Encoding& encoding) {
  const ConvertOptions& options = conversion.options;
  if (GetFileLength(options.outputName) <= 0) return std::nullopt;
  Encoding existing = Encoding::kUtf8;
  bool plainAscii = true;
  std::string reason;
  if (!DetectFileEncoding(options.outputName, existing, plainAscii, reason)) {
    return Stop(conversion, Message::kCannotWrite, options.outputName, reason);
  }
  if (plainAscii) return std::nullopt;
  if (options.outputEncoding != OutputEncoding::kSameAsInput && encoding != existing) {
    const std::string detail =
        std::string("The file is in ") + EncodingName(existing) + ", not " + EncodingName(encoding);
    return Stop(conversion, Message::kAppendEncodingMismatch, options.outputName, detail);
  }
  encoding = existing;
  return std::nullopt;
}

// Why a name cannot be taken as an input, in the system's words; empty when
// the system has none.
std::string InputProblem(const std::string& name) {
  if (name.find('\0') != std::string::npos) return {};
  const platform::PathInfo info = platform::Inspect(name);
  if (info.error != platform::PathError::kNone) {
    return info.systemError == 0 ? std::string() : platform::ErrorText(info.systemError);
  }
  if (info.isFolder) return platform::ErrorText(platform::kErrorIsAFolder);
  if (info.isSpecial) return platform::ErrorText(platform::kErrorNotARegularFile);
  if (info.size == 0) return "The file is empty";
  return {};
}

}  // namespace

ConversionResult ConvertFile(ConvertOptions options, ConversionContext& context, Observer& observer,
                             std::span<const FileTypeInfo> types) {
  Conversion conversion(options, context, observer, observer.Now());
  const FileType inputType = GetFileType(options.inputName);
  const FileType outputType = GetFileType(options.outputName);
  // Each unknown name is reported once, however often its type is needed.
  if (inputType == FileType::kNone && !options.inputName.empty()) {
    observer.Show(Message::kUnsupportedType, {}, {});
  }
  if (outputType == FileType::kNone && !options.outputName.empty()) {
    observer.Show(Message::kUnsupportedType, {}, {});
  }
  const FileTypeInfo& input = Lookup(types, inputType);
  const FileTypeInfo& output = Lookup(types, outputType);
  // Refused before anything is opened, so no file is created or emptied.
  if (input.makeReader == nullptr) return Stop(conversion, Message::kInputUnsupported, {});
  if (outputType == FileType::kNone) return {Outcome::kStopped, Message::kUnsupportedType, {}, {}};
  if (output.makeWriter == nullptr) return Stop(conversion, Message::kOutputUnsupported, {});

  if (outputType == FileType::kWpt && inputType != FileType::kWpt) {
    ApplyWaypointPlusOutputRule(inputType, conversion);
  }
  InputTextFile inputFile;
  if (!inputFile.Open(options.inputName)) {
    return Stop(conversion, Message::kInputMissing, options.inputName, inputFile.ErrorText());
  }
  context.vrmVrnDatum = options.vrmVrnDatumOption;
  std::unique_ptr<RecordReader> reader = input.makeReader(inputFile);
  reader->Open(conversion);
  // Waypoint+ to Waypoint+ in another datum: the datum line names the datum
  // the coordinates are written in.
  if (outputType == FileType::kWpt && inputType == FileType::kWpt &&
      options.datum != kDataPriority) {
    context.fileDatum = options.datum;
  }

  OutputTextFile outputFile;
  const auto mode = options.append ? OutputTextFile::Mode::kAppend : OutputTextFile::Mode::kReplace;
  Encoding outputEncoding = OutputEncodingFor(options, inputFile.encoding());
  if (options.append) {
    if (auto stopped = DecideAppendEncoding(conversion, outputEncoding)) return *stopped;
  }
  if (!outputFile.Open(options.outputName, mode, outputEncoding)) {
    return Stop(conversion, Message::kCannotWrite, options.outputName, outputFile.ErrorText());
  }
  if (!WriteOutputHeader(outputFile, outputType, conversion)) {
    outputFile.Abort();
    return {Outcome::kStopped, Message::kGroupFileMissing, conversion.written, conversion.report};
  }
  std::unique_ptr<RecordWriter> writer = output.makeWriter();
  RecordText recordText(outputFile);
  std::uint64_t lastPosition = 0;
  bool lastWasEmpty = false;
  while (true) {
    if (observer.StopRequested()) {
      outputFile.Abort();
      return {Outcome::kCancelled, std::nullopt, conversion.written, conversion.report};
    }
    const RecordKind kind = reader->ReadNextRecord(conversion);
    if (conversion.cancelled) break;
    if (kind == RecordKind::kEof) break;
    // A reader that produced nothing twice without consuming input is stuck.
    const bool empty = kind == RecordKind::kNone;
    if (empty && lastWasEmpty && inputFile.BytesRead() == lastPosition) break;
    lastWasEmpty = empty;
    lastPosition = inputFile.BytesRead();
    if (!IsSelected(kind, options)) continue;
    recordText.Reset();
    writer->WriteRecord(kind, conversion, recordText);
    if (conversion.cancelled) break;
    if (recordText.Empty()) continue;
    recordText.Finish();
    CountWritten(kind, conversion);
    if (outputFile.Failed()) break;
  }
  if (conversion.cancelled) {
    outputFile.Abort();
    return {Outcome::kCancelled, std::nullopt, conversion.written, conversion.report};
  }
  if (inputFile.Failed()) {
    outputFile.Abort();
    return Stop(conversion, Message::kInputMissing, options.inputName, inputFile.ErrorText());
  }
  WriteOutputTrailer(outputFile, outputType);
  if (!outputFile.Commit()) {
    return Stop(conversion, Message::kCannotWrite, options.outputName, outputFile.ErrorText());
  }
  return {Outcome::kConverted, std::nullopt, conversion.written, conversion.report};
}

ConversionResult RunConvertCommand(const ConvertOptions& options, ConversionContext& context,
                                   Observer& observer, bool outputTypeChosen,
                                   std::span<const FileTypeInfo> types) {
  auto stop = [&](Message message, std::string_view name, std::string_view detail = {}) {
    observer.Show(message, name, detail);
    return ConversionResult{Outcome::kStopped, message, {}, {}};
  };
  const std::string& in = options.inputName;
  const std::string& out = options.outputName;
  if (in.empty() || out.empty()) return stop(Message::kFileNameMissing, {});
  // Two names for one file would destroy the input when the output is opened.
  if (in == out || IsSameFile(in, out)) return stop(Message::kSameFileName, {});
  if (GetFileLength(in) <= 0) return stop(Message::kInputMissing, in, InputProblem(in));
  if (!outputTypeChosen) return stop(Message::kOutputTypeMissing, {});
  if (GetFileLength(out) > 0) {
    if (options.append) {
      observer.Show(Message::kAppendNotice, out, {});
    } else if (!observer.AskOverwrite(out)) {
      return stop(Message::kAborted, {});
    }
  }
  ConvertOptions snapshot = options;
  if (!observer.ConversionStarting(snapshot)) return {Outcome::kStopped, std::nullopt, {}, {}};
  return ConvertFile(std::move(snapshot), context, observer, types);
}

}  // namespace vc::engine
