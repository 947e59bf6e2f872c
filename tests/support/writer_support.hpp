// Test support for the record writers: buffers filled by hand, one writer
// call, and the bytes it printed.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/conversion.hpp"
#include "engine/output/output_frame.hpp"
#include "engine/output/record_writer.hpp"
#include "engine/text_file.hpp"
#include "support/engine_support.hpp"
#include "support/route_point_support.hpp"
#include "support/track_point_support.hpp"

namespace vc::testing {

// Every datum, form and offset option starts at "データ優先", no annotation
// is ticked, and "now" is the observer's, 2002/03/05 21:00:00. The output
// frame is decided from the options and the two types, as the driver does.
struct WriterHarness {
  explicit WriterHarness(engine::FileType outputType_,
                         engine::FileType inputType_ = engine::FileType::kVrc)
      : outputType(outputType_), inputType(inputType_) {}

  engine::FileType outputType;
  engine::FileType inputType;
  engine::ConvertOptions options;
  engine::ConversionContext context;
  RecordingObserver observer;
  TempDir dir;

  engine::RecordBuffers& buffers() { return context.buffers; }

  // What one WriteRecord call prints, final line end included.
  std::string Write(engine::RecordWriter& writer, engine::RecordKind kind) {
    engine::Conversion conversion(options, context, observer, observer.now);
    conversion.frame = engine::DecideOutputFrame(inputType, outputType, options, context.fileDatum);
    engine::OutputTextFile file;
    const std::string path = dir.Path("record.out");
    if (!file.Open(path, engine::OutputTextFile::Mode::kReplace, engine::Encoding::kUtf8)) {
      return "<cannot open>";
    }
    engine::RecordText text(file);
    writer.WriteRecord(kind, conversion, text);
    text.Finish();
    return file.Commit() ? dir.Read("record.out") : "<cannot commit>";
  }
};

inline PointTexts MakeWaypoint(std::string name, std::string lat, std::string lon,
                               std::string form = "D", std::string datum = "TOKYO",
                               std::string utcOffset = "+9") {
  return {std::move(name),  std::move(lat),       std::move(lon), "", "", "",
          std::move(datum), std::move(utcOffset), std::move(form)};
}

// Velocity, courses and position error not available ("-"), legs 0.
inline TrackPointTexts MakeTrackPoint(std::string lat, std::string lon, std::string dateTime,
                                      std::string form = "D", std::string datum = "TOKYO",
                                      std::string utcOffset = "+9") {
  TrackPointTexts point;
  point.lat = std::move(lat);
  point.lon = std::move(lon);
  point.dateTime = std::move(dateTime);
  point.recDatum = std::move(datum);
  point.recUtcOffset = std::move(utcOffset);
  point.recCoordFormat = std::move(form);
  return point;
}

inline void SetRoute(engine::RecordBuffers& buffers, std::string rteNo, std::string rteName,
                     const std::vector<PointTexts>& points) {
  buffers.rteHdr = {std::move(rteNo), std::move(rteName), std::to_string(points.size())};
  buffers.rtePnt.Clear();
  for (const auto& point : points) AddRoutePoint(buffers.rtePnt, point);
}

// A track flagged "True" with empty name and code and zero totals.
inline void SetTrack(engine::RecordBuffers& buffers, const std::vector<TrackPointTexts>& points) {
  buffers.trkHdr = {std::to_string(points.size()), 0, 0, 0, "True", "", ""};
  buffers.trkPnt.Clear();
  for (const auto& point : points) AddPoint(buffers.trkPnt, point);
}

}  // namespace vc::testing
