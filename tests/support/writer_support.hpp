// Test support for the record writers: buffers filled by hand, one writer
// call, and the bytes it printed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/conversion.hpp"
#include "engine/output/record_writer.hpp"
#include "engine/text_file.hpp"
#include "support/engine_support.hpp"

namespace vc::testing {

// Options start with every datum, form and offset at "データ優先" and no
// annotation ticked; "now" is the observer's, 2002/03/05 21:00:00.
struct WriterHarness {
  engine::ConvertOptions options;
  engine::ConversionContext context;
  RecordingObserver observer;
  TempDir dir;

  engine::RecordBuffers& buffers() { return context.buffers; }

  // What one WriteRecord call prints, final line end included.
  std::string Write(engine::RecordWriter& writer, engine::RecordKind kind) {
    engine::Conversion conversion(options, context, observer, observer.now);
    const std::string path = dir.Path("record.out");
    engine::OutputTextFile file;
    if (!file.Open(path, engine::OutputTextFile::Mode::kReplace, engine::Encoding::kUtf8)) {
      return "<cannot open>";
    }
    engine::RecordText text(file);
    writer.WriteRecord(kind, conversion, text);
    text.Finish();
    if (!file.Commit()) return "<cannot commit>";
    return dir.Read("record.out");
  }
};

inline engine::WptRec MakeWaypoint(std::string name, std::string lat, std::string lon,
                                   std::string form = "D", std::string datum = "TOKYO",
                                   std::string utcOffset = "+9") {
  engine::WptRec point;
  point.name = std::move(name);
  point.lat = std::move(lat);
  point.lon = std::move(lon);
  point.recDatum = std::move(datum);
  point.recUtcOffset = std::move(utcOffset);
  point.recCoordFormat = std::move(form);
  return point;
}

inline engine::TrkPnt MakeTrackPoint(std::string lat, std::string lon, std::string dateTime,
                                     std::string form = "D", std::string datum = "TOKYO",
                                     std::string utcOffset = "+9") {
  engine::TrkPnt point;
  point.lat = std::move(lat);
  point.lon = std::move(lon);
  point.dateTime = std::move(dateTime);
  point.velocity = "-";
  point.trkDegree = "-";
  point.posError = "-";
  point.headDegree = "-";
  point.recDatum = std::move(datum);
  point.recUtcOffset = std::move(utcOffset);
  point.recCoordFormat = std::move(form);
  return point;
}

// Replaces the route in the buffers; pntNum is the number of points.
inline void SetRoute(engine::RecordBuffers& buffers, std::string rteNo, std::string rteName,
                     const std::vector<engine::WptRec>& points) {
  buffers.rteHdr.rteNo = std::move(rteNo);
  buffers.rteHdr.rteName = std::move(rteName);
  buffers.rteHdr.pntNum = std::to_string(points.size());
  buffers.rtePnt.Clear();
  for (const auto& point : points) buffers.rtePnt.Add() = point;
}

inline void SetTrack(engine::RecordBuffers& buffers, const std::vector<engine::TrkPnt>& points) {
  engine::TrkHdr& header = buffers.trkHdr;
  header = engine::TrkHdr{};
  header.pntNum = std::to_string(points.size());
  header.trkFlag = "True";
  buffers.trkPnt.Clear();
  for (const auto& point : points) buffers.trkPnt.Add() = point;
}

// Splits printed text at CR LF; the final line end gives no empty line.
inline std::vector<std::string> SplitCrLf(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace vc::testing
