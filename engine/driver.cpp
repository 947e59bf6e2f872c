#include "engine/driver.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/input/record_reader.hpp"
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

ConversionResult ResultOf(const Conversion& conversion, Outcome outcome,
                          std::optional<Message> reason = std::nullopt) {
  return {outcome, reason, conversion.report};
}

ConversionResult Stop(Conversion& conversion, Message message, std::string_view name,
                      std::string_view detail = {}) {
  conversion.observer.Show(message, name, detail);
  return ResultOf(conversion, Outcome::kStopped, message);
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

void CountRecord(RecordKind kind, const RecordBuffers& buffers, KindCounts& counts) {
  if (kind == RecordKind::kWpt) ++counts.waypoints;
  if (kind == RecordKind::kRte) {
    ++counts.routes;
    counts.routePoints += static_cast<std::int64_t>(buffers.rtePnt.Count());
  }
  if (kind == RecordKind::kTrk) {
    ++counts.tracks;
    counts.trackPoints += static_cast<std::int64_t>(buffers.trkPnt.Count());
  }
}

// Length, duration and the first and last time of the tracks written, each
// time as the track's own text.
void AddTrackFigures(const RecordBuffers& buffers, TrackFigures& figures) {
  const std::size_t n = buffers.trkPnt.Count();
  if (n == 0) return;
  figures.lengthM = text::RoundToGeneral(figures.lengthM + buffers.trkHdr.totalTripLength);
  figures.durationS = text::RoundToGeneral(figures.durationS + buffers.trkHdr.totalTripTime);
  const TrackPoints& points = buffers.trkPnt;
  if (figures.firstTime.empty()) {
    points.AppendTrimmed(figures.firstTime, points[1], PointField::kDateTime);
  }
  figures.lastTime.clear();
  points.AppendTrimmed(figures.lastTime, points[n], PointField::kDateTime);
}

void CountWritten(RecordKind kind, Conversion& conversion) {
  const RecordBuffers& buffers = conversion.context.buffers;
  CountRecord(kind, buffers, conversion.report.written);
  if (kind == RecordKind::kTrk) AddTrackFigures(buffers, conversion.report.tracks);
}

// XML documents are UTF-8, as their declaration says, whatever the input.
Encoding OutputEncodingFor(const ConvertOptions& options, FileType outputType,
                           Encoding inputEncoding) {
  if (outputType == FileType::kGpx || outputType == FileType::kKml) return Encoding::kUtf8;
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

namespace {

// Reads the records one after the other, with the front's stop request
// polled between them. A reader that produces nothing twice without
// consuming input is stuck, and is taken as at its end.
class RecordPump {
 public:
  RecordPump(RecordReader& reader, const InputTextFile& input) : reader_(reader), input_(input) {}

  // The next record; kEof at the end, when stopped or cancelled.
  RecordKind Next(Conversion& conversion) {
    while (true) {
      if (conversion.observer.StopRequested()) {
        conversion.cancelled = true;
        return RecordKind::kEof;
      }
      const RecordKind kind = reader_.ReadNextRecord(conversion);
      if (conversion.cancelled || conversion.readFailure || kind == RecordKind::kEof) {
        return RecordKind::kEof;
      }
      const bool empty = kind == RecordKind::kNone;
      if (empty && lastWasEmpty_ && input_.BytesRead() == lastPosition_) return RecordKind::kEof;
      lastWasEmpty_ = empty;
      lastPosition_ = input_.BytesRead();
      if (!empty) return kind;
    }
  }

 private:
  RecordReader& reader_;
  const InputTextFile& input_;
  std::uint64_t lastPosition_ = 0;
  bool lastWasEmpty_ = false;
};

// The files, reader and writer of one conversion, from the moment they are
// open.
struct OpenConversion {
  InputTextFile input;
  OutputTextFile output;
  std::unique_ptr<RecordReader> reader;
  std::unique_ptr<RecordWriter> writer;
};

// Checks the types, opens the input, decides the output frame, opens the
// output and writes its header. The result when the conversion stops.
std::optional<ConversionResult> OpenForConversion(Conversion& conversion,
                                                  std::span<const FileTypeInfo> types,
                                                  OpenConversion& open) {
  const ConvertOptions& options = conversion.options;
  Observer& observer = conversion.observer;
  const FileType inputType = GetInputFileType(options.inputName);
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
  if (outputType == FileType::kNone) {
    return ResultOf(conversion, Outcome::kStopped, Message::kUnsupportedType);
  }
  if (output.makeWriter == nullptr) return Stop(conversion, Message::kOutputUnsupported, {});

  if (!open.input.Open(options.inputName)) {
    return Stop(conversion, Message::kInputMissing, options.inputName, open.input.ErrorText());
  }
  ConversionContext& context = conversion.context;
  context.vrmVrnDatum = options.vrmVrnDatumOption;
  open.reader = input.makeReader(open.input);
  open.reader->Open(conversion);
  // A Waypoint+ input's datum line has been read by now; the frame is
  // decided before the output's header names its datum.
  conversion.frame = DecideOutputFrame(
      inputType, outputType, options,
      inputType == FileType::kWpt ? std::string_view(context.fileDatum) : std::string_view());

  const auto mode = options.append ? OutputTextFile::Mode::kAppend : OutputTextFile::Mode::kReplace;
  Encoding outputEncoding = OutputEncodingFor(options, outputType, open.input.encoding());
  if (options.append) {
    if (auto stopped = DecideAppendEncoding(conversion, outputEncoding)) return stopped;
  }
  if (!open.output.Open(options.outputName, mode, outputEncoding)) {
    return Stop(conversion, Message::kCannotWrite, options.outputName, open.output.ErrorText());
  }
  open.writer = output.makeWriter();
  if (!open.writer->WriteHeader(open.output, conversion)) {
    open.output.Abort();
    return ResultOf(conversion, Outcome::kStopped, Message::kGroupFileMissing);
  }
  return std::nullopt;
}

// Every selected record from the reader to the writer, until the input
// ends, the front stops it, or reading or writing fails.
void PumpRecords(Conversion& conversion, OpenConversion& open) {
  RecordText recordText(open.output);
  PreviewSink* const preview = conversion.observer.Preview();
  std::vector<PreviewPoint> previewPoints;
  RecordPump pump(*open.reader, open.input);
  for (RecordKind kind = pump.Next(conversion); kind != RecordKind::kEof;
       kind = pump.Next(conversion)) {
    CountRecord(kind, conversion.context.buffers, conversion.report.read);
    if (!IsSelected(kind, conversion.options)) {
      conversion.report.Skip(SkipReason::kNotSelected);
      continue;
    }
    recordText.Reset();
    open.writer->WriteRecord(kind, conversion, recordText);
    if (conversion.cancelled) return;
    if (recordText.Empty()) continue;
    recordText.Finish();
    CountWritten(kind, conversion);
    if (preview != nullptr) {
      FeedPreview(kind, conversion.context.buffers, *preview, previewPoints);
    }
    if (open.output.Failed()) return;
  }
}

// Keeps the output when every record went through; otherwise the target
// stays as it was, and the reason is shown.
ConversionResult FinishConversion(Conversion& conversion, OpenConversion& open) {
  const ConvertOptions& options = conversion.options;
  if (conversion.cancelled) {
    open.output.Abort();
    return ResultOf(conversion, Outcome::kCancelled);
  }
  if (conversion.readFailure) {
    open.output.Abort();
    return Stop(conversion, *conversion.readFailure, conversion.readFailureName);
  }
  if (open.input.Failed()) {
    open.output.Abort();
    return Stop(conversion, Message::kInputMissing, options.inputName, open.input.ErrorText());
  }
  open.writer->WriteTrailer(open.output, conversion);
  conversion.report.Skip(SkipReason::kReplacedCharacter, open.output.ReplacedCharacters());
  if (!open.output.Commit()) {
    return Stop(conversion, Message::kCannotWrite, options.outputName, open.output.ErrorText());
  }
  return ResultOf(conversion, Outcome::kConverted);
}

}  // namespace

ConversionResult ConvertFile(ConvertOptions options, ConversionContext& context, Observer& observer,
                             std::span<const FileTypeInfo> types) {
  Conversion conversion(options, context, observer, observer.Now(), observer.UtcNow());
  OpenConversion open;
  if (auto stopped = OpenForConversion(conversion, types, open)) return *stopped;
  PumpRecords(conversion, open);
  return FinishConversion(conversion, open);
}

ConversionResult PreviewFile(const ConvertOptions& options, Observer& observer, PreviewSink& sink,
                             std::span<const FileTypeInfo> types) {
  ConvertOptions snapshot = options;
  ConversionContext context;
  Conversion conversion(snapshot, context, observer, observer.Now());
  const FileTypeInfo& input = Lookup(types, GetInputFileType(options.inputName));
  if (input.makeReader == nullptr) {
    return {Outcome::kStopped, Message::kInputUnsupported, {}};
  }
  InputTextFile inputFile;
  if (!inputFile.Open(options.inputName)) return {Outcome::kStopped, Message::kInputMissing, {}};
  context.vrmVrnDatum = options.vrmVrnDatumOption;
  std::unique_ptr<RecordReader> reader = input.makeReader(inputFile);
  reader->Open(conversion);
  std::vector<PreviewPoint> points;
  RecordPump pump(*reader, inputFile);
  for (RecordKind kind = pump.Next(conversion); kind != RecordKind::kEof;
       kind = pump.Next(conversion)) {
    FeedPreview(kind, context.buffers, sink, points);
  }
  if (conversion.cancelled) return {Outcome::kCancelled, std::nullopt, conversion.report};
  if (inputFile.Failed()) {
    return {Outcome::kStopped, Message::kInputMissing, conversion.report};
  }
  return {Outcome::kConverted, std::nullopt, conversion.report};
}

ConversionResult RunConvertCommand(const ConvertOptions& options, ConversionContext& context,
                                   Observer& observer, bool outputTypeChosen,
                                   std::span<const FileTypeInfo> types) {
  auto stop = [&](Message message, std::string_view name, std::string_view detail = {}) {
    observer.Show(message, name, detail);
    return ConversionResult{Outcome::kStopped, message, {}};
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
  // Values that would make wrong data without a word stop the command here,
  // where the window checks its point step, before any file is opened.
  ConvertOptions snapshot = options;
  if (const std::optional<Message> bad = CheckOptionValues(snapshot)) return stop(*bad, {});
  if (!observer.ConversionStarting(snapshot)) return {Outcome::kStopped, std::nullopt, {}};
  if (snapshot.pointStepText && !ParsePointStep(*snapshot.pointStepText, snapshot.pointStep)) {
    return stop(Message::kStepInvalid, {});
  }
  return ConvertFile(std::move(snapshot), context, observer, types);
}

}  // namespace vc::engine
