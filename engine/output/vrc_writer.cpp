// Records as VornConnect lines, columns separated by TABs:
//
//   waypoint   WPT  form, datum, name, lat, lon, info1, info2, (empty), info3,
//                   ... name again in column 39, info1 in 40      (44 columns)
//   route      RTH  number, name, point count                      (4 columns)
//              RTP  the columns of a waypoint line, per point     (64 columns)
//   track      TRH  point count, flag, code, name                  (5 columns)
//              TRP  form, datum, lat, lon, time, first point True/False,
//                   velocity, course, leg length                  (10 columns)
//
// Texts are trimmed; coordinates and times go out as converted. The columns
// of one record are built in one array, each line overwriting what the
// previous line of the record set; the array starts empty for every record.
#include <cstddef>
#include <string>
#include <string_view>

#include "engine/output/point_conversion.hpp"
#include "engine/output/record_writer.hpp"
#include "formats/vrc/vrc_line.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

class VrcWriter final : public KindWriter {
 private:
  // Every record starts with empty columns.
  void Prepare(Conversion& /*conversion*/) override {
    for (std::string& field : fields_) field.clear();
  }

  void Set(std::size_t column, std::string_view value) { fields_[column].assign(value); }
  void SetTrimmed(std::size_t column, std::string_view value) {
    fields_[column].assign(text::TrimSpaces(value));
  }
  void SetTrimmed(std::size_t column, const TrackPoints& points, const TrkPnt& point,
                  PointField field) {
    fields_[column].clear();
    points.AppendTrimmed(fields_[column], point, field);
  }

  // Waypoints and route points share columns 1 to 40; the point is converted.
  void SetWaypointColumns(std::string_view kind, const RoutePoints& points, const RtePnt& point) {
    const std::string_view name = points.Text(point, PointText::kName);
    const std::string_view info1 = points.Text(point, PointText::kInfo1);
    Set(1, kind);
    Set(2, point_.outCoordFormat);
    Set(3, point_.outDatum);
    SetTrimmed(4, name);
    Set(5, point_.lat);
    Set(6, point_.lon);
    SetTrimmed(7, info1);
    SetTrimmed(8, points.Text(point, PointText::kInfo2));
    SetTrimmed(10, points.Text(point, PointText::kInfo3));
    SetTrimmed(39, name);
    SetTrimmed(40, info1);
  }

  void WriteWaypoint(Conversion& conversion, RecordText& output) override {
    const WptRec& waypoint = conversion.context.buffers.wpt;
    ConvertPointForOutput(waypoint.store, waypoint.Point(), conversion.frame, conversion.now,
                          point_);
    SetWaypointColumns("WPT", waypoint.store, waypoint.Point());
    vrc::AppendVrcLine(output.text(), fields_);
  }

  void WriteRoute(Conversion& conversion, RecordText& output) override {
    const RecordBuffers& buffers = conversion.context.buffers;
    const RteHdr& header = buffers.rteHdr;
    Set(1, "RTH");
    SetTrimmed(2, header.rteNo);
    SetTrimmed(3, header.rteName);
    SetTrimmed(4, header.pntNum);
    vrc::AppendVrcLine(output.text(), fields_);
    const std::size_t n = PointCountToWrite(header.pntNum, buffers.rtePnt.Count());
    for (std::size_t i = 1; i <= n; ++i) {
      if (conversion.PointTick()) return;
      const RoutePoints& points = buffers.rtePnt;
      const RtePnt& point = points[i];
      ConvertPointForOutput(points, point, conversion.frame, conversion.now, point_);
      SetWaypointColumns("RTP", points, point);
      output.text() += kLineBreak;
      vrc::AppendVrcLine(output.text(), fields_);
      output.FlushIfLarge();
    }
  }

  void WriteTrack(Conversion& conversion, RecordText& output) override {
    const RecordBuffers& buffers = conversion.context.buffers;
    const TrkHdr& header = buffers.trkHdr;
    Set(1, "TRH");
    SetTrimmed(2, header.pntNum);
    SetTrimmed(3, header.trkFlag);
    SetTrimmed(4, header.trkCode);
    SetTrimmed(5, header.trkName);
    vrc::AppendVrcLine(output.text(), fields_);
    const std::size_t n = PointCountToWrite(header.pntNum, buffers.trkPnt.Count());
    if (n > 0) conversion.observer.BeginProgress(ProgressStage::kWritingTrack);
    for (std::size_t i = 1; i <= n; ++i) {
      conversion.observer.PointProgress(static_cast<std::int64_t>(i));
      if (conversion.PointTick()) return;
      const TrackPoints& points = buffers.trkPnt;
      const TrkPnt& point = points[i];
      ConvertPointForOutput(points, point, conversion.frame, point_);
      Set(1, "TRP");
      Set(2, point_.outCoordFormat);
      Set(3, point_.outDatum);
      Set(4, point_.lat);
      Set(5, point_.lon);
      fields_[6].clear();
      AppendPointTime(fields_[6], points, point, point_);
      Set(7, i == 1 ? "True" : "False");
      SetTrimmed(8, points, point, PointField::kVelocity);
      SetTrimmed(9, points, point, PointField::kTrkDegree);
      fields_[10].clear();
      text::AppendGeneral(fields_[10], point.legLength);
      output.text() += kLineBreak;
      vrc::AppendVrcLine(output.text(), fields_);
      output.FlushIfLarge();
    }
  }

  ConvertedPoint point_;
  vrc::VrcFields fields_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeVrcWriter() { return std::make_unique<VrcWriter>(); }

}  // namespace vc::engine
