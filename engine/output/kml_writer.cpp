// Records as a KML 2.2 document for Google Earth, with Google's extensions
// (gx:Track) that let its time slider play a track:
//
//   <kml xmlns="http://www.opengis.net/kml/2.2" xmlns:gx="http://www.google.com/kml/ext/2.2">
//   <Document><name>out.kml</name><Style id="route">..</Style><Style id="track">..</Style>
//     <Folder><name>Waypoints</name>
//       <Placemark><name>STATION</name><Point><coordinates>139.7,35.6</coordinates></Point></Placemark>
//     </Folder>
//     <Folder><name>Routes</name>
//       <Placemark><name>Kyoto trip</name><styleUrl>#route</styleUrl>
//         <LineString><tessellate>1</tessellate><coordinates>lon,lat lon,lat
//         ...</coordinates></LineString>
//       </Placemark></Folder>
//     <Folder><name>Tracks</name>
//       <Placemark><gx:Track><when>2002-07-15T03:04:05Z</when> ..
//         <gx:coord>lon lat 0</gx:coord> ..</gx:Track></Placemark>
//       (a track without times: a LineString Placemark, as a route)
//       <Folder><name>.. points</name> a Placemark per annotated point </Folder>
//     </Folder>
//   </Document></kml>
//
// Coordinates are WGS84 longitude,latitude. A run of records of one kind
// shares a folder; the records stream through, so a file whose kinds
// alternate gets a folder per run. A gx:Track needs a date and time at
// every point: a track that has times of day alone or points without a
// time is a LineString. With point annotations chosen, the points
// the point step picks each get a Placemark whose description holds them.
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "engine/output/buffered_text.hpp"
#include "engine/output/point_chunks.hpp"
#include "engine/output/point_conversion.hpp"
#include "engine/output/record_writer.hpp"
#include "engine/output/track_annotations.hpp"
#include "formats/xml/xml_text.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr int kDegreeDecimals = 9;

void AppendCoordinate(std::string& out, double lat, double lon, char between) {
  xml::AppendDecimal(out, lon, kDegreeDecimals);
  out += between;
  xml::AppendDecimal(out, lat, kDegreeDecimals);
}

void AppendCoordinate(std::string& out, const ConvertedPoint& converted, char between) {
  AppendCoordinate(out, text::LeadingValue(converted.lat), text::LeadingValue(converted.lon),
                   between);
}

// A decimal of the XML forms put into a buffer.
void PutDecimal(BufferedText& out, double value) {
  if (char* const end = xml::PutDecimal(out.Room(text::kShortNumberRoom), value, kDegreeDecimals)) {
    out.Commit(end);
  } else {
    xml::AppendDecimal(out.String(), value, kDegreeDecimals);
  }
}

// A track point's place in the output's datum.
void PutTrackCoordinate(BufferedText& out, TrackPointConverter& converter, const TrkPnt& point,
                        ConvertedPoint& converted, char between) {
  double lat = 0;
  double lon = 0;
  converter.OutputDegrees(point, converted, lat, lon);
  PutDecimal(out, lon);
  out.Append(between);
  PutDecimal(out, lat);
}

void AppendName(std::string& out, std::string_view name) {
  const std::string_view trimmed = text::TrimSpaces(name);
  if (trimmed.empty()) return;
  out += "<name>";
  xml::AppendEscaped(out, trimmed);
  out += "</name>";
}

class KmlWriter final : public KindWriter {
 public:
  bool WriteHeader(OutputTextFile& output, Conversion& conversion) override {
    std::string header =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
        "xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\r\n"
        "<Document>";
    AppendName(header, conversion.options.outputName.substr(
                           conversion.options.outputName.find_last_of("/\\") + 1));
    header +=
        "\r\n  <Style id=\"route\"><LineStyle><color>ffff7f00</color><width>3</width>"
        "</LineStyle></Style>\r\n"
        "  <Style id=\"track\"><LineStyle><color>ff0000ff</color><width>3</width>"
        "</LineStyle></Style>";
    output.WriteLine(header);
    return true;
  }

  void WriteTrailer(OutputTextFile& output, Conversion& /*conversion*/) override {
    if (folder_ != RecordKind::kNone) output.WriteLine("  </Folder>");
    output.WriteLine("</Document>\r\n</kml>");
  }

 private:
  // A folder for each run of records of one kind.
  void EnterFolder(std::string& out, RecordKind kind) {
    if (folder_ == kind) return;
    if (folder_ != RecordKind::kNone) out += "  </Folder>\r\n";
    folder_ = kind;
    out += "  <Folder><name>";
    out += kind == RecordKind::kWpt ? "Waypoints" : kind == RecordKind::kRte ? "Routes" : "Tracks";
    out += "</name>\r\n";
  }

  void WriteWaypoint(Conversion& conversion, RecordText& output) override {
    const WptRec& waypoint = conversion.context.buffers.wpt;
    const RtePnt& point = waypoint.Point();
    ConvertPointForOutput(waypoint.store, point, conversion.frame, conversion.now, point_);
    std::string& out = output.text();
    EnterFolder(out, RecordKind::kWpt);
    out += "    <Placemark>";
    AppendName(out, waypoint.store.Text(point, PointText::kName));
    const std::string_view comment =
        text::TrimSpaces(waypoint.store.Text(point, PointText::kInfo1));
    if (!comment.empty()) {
      out += "<description>";
      xml::AppendEscaped(out, comment);
      out += "</description>";
    }
    out += "<Point><coordinates>";
    AppendCoordinate(out, point_, ',');
    out += "</coordinates></Point></Placemark>";
  }

  void WriteRoute(Conversion& conversion, RecordText& output) override {
    const RecordBuffers& buffers = conversion.context.buffers;
    const std::size_t n = PointCountToWrite(buffers.rteHdr.pntNum, buffers.rtePnt.Count());
    if (n == 0) return;
    std::string& out = output.text();
    EnterFolder(out, RecordKind::kRte);
    out += "    <Placemark>";
    AppendName(out, buffers.rteHdr.rteName);
    out += "<styleUrl>#route</styleUrl><LineString><tessellate>1</tessellate><coordinates>";
    for (std::size_t i = 1; i <= n; ++i) {
      if (conversion.PointTick()) return;
      ConvertPointForOutput(buffers.rtePnt, buffers.rtePnt[i], conversion.frame, conversion.now,
                            point_);
      if (i > 1) out += ' ';
      AppendCoordinate(out, point_, ',');
    }
    out += "</coordinates></LineString></Placemark>";
  }

  // Every point has a date and time, so the track can be played.
  // A track point's time in the output's zone; nullopt when it does not
  // read as one.
  std::optional<text::LocalSeconds> TrackSeconds(TrackPointConverter& converter,
                                                 const TrackPoints& points, const TrkPnt& point) {
    converter.ConvertTime(point, point_);
    return PointSeconds(points, point, point_);
  }

  bool EveryPointDated(const RecordBuffers& buffers, std::size_t n, Conversion& conversion) {
    TrackPointConverter converter(buffers.trkPnt, conversion.frame);
    for (std::size_t i = 1; i <= n; ++i) {
      const std::optional<text::LocalSeconds> seconds =
          TrackSeconds(converter, buffers.trkPnt, buffers.trkPnt[i]);
      if (!seconds || text::IsTimeOfDay(*seconds)) return false;
    }
    return true;
  }

  // What formatting a track point changes: one set per thread.
  struct PointScratch {
    ConvertedPoint point;
    xml::RecentUtcDateTime times;
    std::string annotations;
  };
  // Converters for the two threads that format a track's points.
  struct Converters {
    Converters(const TrackPoints& points, const OutputFrame& frame)
        : lanes{TrackPointConverter(points, frame), TrackPointConverter(points, frame)} {}
    std::array<TrackPointConverter, 2> lanes;
  };

  // Items [begin, end) of a track as pieces that `put` makes, on either
  // thread, one buffer a chunk.
  template <class Put>
  static ChunkFormat PiecesOf(Put put) {
    return [put](std::size_t lane, std::size_t begin, std::size_t end, std::string& text) {
      BufferedText buffered(text);
      for (std::size_t item = begin; item < end; ++item) put(buffered, lane, item);
      buffered.Flush();
    };
  }
  // These loops poll no stop: a track's places are quick to write.
  static bool NoStop(std::size_t /*begin*/, std::size_t /*end*/) { return true; }

  bool AppendLine(std::string& out, RecordText& output, const RecordBuffers& buffers, std::size_t n,
                  Conversion& conversion) {
    out += "    <Placemark>";
    AppendName(out, buffers.trkHdr.trkName);
    out += "<styleUrl>#track</styleUrl><LineString><tessellate>1</tessellate><coordinates>";
    const TrackPoints& points = buffers.trkPnt;
    Converters converters(points, conversion.frame);
    // Items are the points 1 to n less one.
    const auto put = [&](BufferedText& buffered, std::size_t lane, std::size_t item) {
      if (item > 0) buffered.Append(' ');
      PutTrackCoordinate(buffered, converters.lanes[lane], points[item + 1], scratch_[lane].point,
                         ',');
    };
    if (!FormatChunksInOrder(n, output, PiecesOf(put), NoStop)) return false;
    out += "</coordinates></LineString></Placemark>";
    return true;
  }

  // All the times, then all the places: the schema's gx:Track has its
  // whens before its coords. The times alone are cheap to go through twice;
  // the places, brought into WGS84, are made once.
  bool AppendPlayableTrack(std::string& out, RecordText& output, const RecordBuffers& buffers,
                           std::size_t n, Conversion& conversion) {
    out += "    <Placemark>";
    AppendName(out, buffers.trkHdr.trkName);
    out += "<styleUrl>#track</styleUrl><gx:Track>";
    const TrackPoints& points = buffers.trkPnt;
    Converters converters(points, conversion.frame);
    const auto putWhen = [&](BufferedText& buffered, std::size_t lane, std::size_t item) {
      PointScratch& scratch = scratch_[lane];
      const TrkPnt& point = points[item + 1];
      converters.lanes[lane].ConvertTime(point, scratch.point);
      const std::optional<text::LocalSeconds> seconds = PointSeconds(points, point, scratch.point);
      buffered.Append("\r\n      <when>");
      if (char* const end = scratch.times.Put(buffered.Room(xml::kUtcDateTimeSize), *seconds)) {
        buffered.Commit(end);
      } else {
        xml::AppendUtcDateTime(buffered.String(), *seconds);
      }
      buffered.Append("</when>");
    };
    if (!FormatChunksInOrder(n, output, PiecesOf(putWhen), NoStop)) return false;
    const auto putCoord = [&](BufferedText& buffered, std::size_t lane, std::size_t item) {
      buffered.Append("\r\n      <gx:coord>");
      PutTrackCoordinate(buffered, converters.lanes[lane], points[item + 1], scratch_[lane].point,
                         ' ');
      buffered.Append(" 0</gx:coord>");
    };
    if (!FormatChunksInOrder(n, output, PiecesOf(putCoord), NoStop)) return false;
    out += "\r\n    </gx:Track></Placemark>";
    return true;
  }

  void AppendAnnotatedPoints(std::string& out, RecordText& output, const RecordBuffers& buffers,
                             std::size_t n, Conversion& conversion) {
    out += "\r\n    <Folder><name>";
    const std::string_view name = text::TrimSpaces(buffers.trkHdr.trkName);
    xml::AppendEscaped(out, name.empty() ? std::string_view("Track") : name);
    out += " points</name>";
    const TrackPoints& points = buffers.trkPnt;
    const std::size_t step = PointStepOf(conversion.options.pointStep);
    // Items are the placemarks: point 1 + item * step.
    const auto put = [&](BufferedText& buffered, std::size_t lane, std::size_t item) {
      PointScratch& scratch = scratch_[lane];
      const std::size_t i = 1 + item * step;
      const TrkPnt& point = points[i];
      ConvertPointForOutput(points, point, conversion.frame, scratch.point);
      std::string& text = buffered.String();
      text += "\r\n      <Placemark><name>";
      text += std::to_string(i);
      text += "</name><description>";
      scratch.annotations.clear();
      AppendChosenAnnotations(scratch.annotations, points, point, scratch.point,
                              conversion.options);
      xml::AppendEscaped(text, scratch.annotations);
      text += "</description><Point><coordinates>";
      AppendCoordinate(text, scratch.point, ',');
      text += "</coordinates></Point></Placemark>";
    };
    if (!FormatChunksInOrder((n - 1) / step + 1, output, PiecesOf(put), NoStop)) return;
    out += "\r\n    </Folder>";
  }

  void WriteTrack(Conversion& conversion, RecordText& output) override {
    const RecordBuffers& buffers = conversion.context.buffers;
    const std::size_t n = PointCountToWrite(buffers.trkHdr.pntNum, buffers.trkPnt.Count());
    if (n == 0) return;
    std::string& out = output.text();
    EnterFolder(out, RecordKind::kTrk);
    // One geometry a track, so that programs reading the file count each
    // point once; Google Earth draws a gx:Track as a line too.
    const bool written = EveryPointDated(buffers, n, conversion)
                             ? AppendPlayableTrack(out, output, buffers, n, conversion)
                             : AppendLine(out, output, buffers, n, conversion);
    if (!written || conversion.PointTick()) return;
    if (AnyPointAnnotationChosen(conversion.options)) {
      AppendAnnotatedPoints(out, output, buffers, n, conversion);
    }
  }

  RecordKind folder_ = RecordKind::kNone;
  ConvertedPoint point_;
  // A track's points are formatted on up to two threads.
  std::array<PointScratch, 2> scratch_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeKmlWriter() { return std::make_unique<KmlWriter>(); }

}  // namespace vc::engine
