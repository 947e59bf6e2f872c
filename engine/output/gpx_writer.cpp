// Records as a GPX 1.1 document that validates against the official schema
// (with Garmin's TrackPointExtension v2 for speed and course):
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <gpx version="1.1" creator="VornConverter 0.1.0" xmlns=... >
//     <metadata><time>2002-03-05T12:00:00Z</time></metadata>
//     <wpt lat="35.681236" lon="139.767125"><name>STATION</name>
//       <cmt>info1</cmt><desc>info2</desc></wpt>
//     <rte><name>Kyoto trip</name><number>2</number>
//       <rtept lat=".." lon=".."><name>START</name></rtept> ...</rte>
//     <trk><name>..</name><trkseg>
//       <trkpt lat=".." lon=".."><time>2002-07-15T03:04:05Z</time>
//         <desc>the chosen annotations</desc>
//         <extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>10</gpxtpx:speed>
//           <gpxtpx:course>45</gpxtpx:course></gpxtpx:TrackPointExtension></extensions>
//       </trkpt> ...</trkseg></trk>
//   </gpx>
//
// GPX is WGS84 and UTC: the output frame brings every point there. Positions
// have at most 9 decimals (a tenth of a millimetre) and never an exponent;
// speed is in metres per second, course in degrees from 0 to under 360. A
// time of day without a date has no xsd:dateTime and is left out, as is a
// speed or course the receiver did not give. Each track is one segment.
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "engine/output/buffered_text.hpp"
#include "engine/output/point_chunks.hpp"
#include "engine/output/point_conversion.hpp"
#include "engine/output/record_writer.hpp"
#include "engine/output/track_annotations.hpp"
#include "formats/xml/xml_text.hpp"
#include "text/constants.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"
#include "vc/version.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr int kDegreeDecimals = 9;
using constants::kKmhPerMetrePerSecond;

void AppendElement(std::string& out, std::string_view indent, std::string_view name,
                   std::string_view value) {
  const std::string_view trimmed = text::TrimSpaces(value);
  if (trimmed.empty()) return;
  out += kLineBreak;
  out += indent;
  out += '<';
  out += name;
  out += '>';
  xml::AppendEscaped(out, trimmed);
  out += "</";
  out += name;
  out += '>';
}

// A measured value that reads as a number; "-" and empty texts are none.
bool HasValue(const TrackPoints& points, const TrkPnt& point, PointField field) {
  if (points.IsNotAvailable(point, field)) return false;
  const std::optional<std::string_view> own = points.OwnText(point, field);
  return !own || text::IsNumberText(*own);
}

// Longitudes run from -180 to under 180.
double NormalisedLongitude(double lon) { return lon >= 180 ? lon - 360 : lon; }

// A decimal of the XML forms put into a buffer.
void PutDecimal(BufferedText& out, double value, int decimals) {
  if (char* const end = xml::PutDecimal(out.Room(text::kShortNumberRoom), value, decimals)) {
    out.Commit(end);
  } else {
    xml::AppendDecimal(out.String(), value, decimals);
  }
}

void AppendPosition(std::string& out, double lat, double lon) {
  out += "lat=\"";
  xml::AppendDecimal(out, lat, kDegreeDecimals);
  out += "\" lon=\"";
  xml::AppendDecimal(out, NormalisedLongitude(lon), kDegreeDecimals);
  out += '"';
}

class GpxWriter final : public KindWriter {
 public:
  bool WriteHeader(OutputTextFile& output, Conversion& conversion) override {
    std::string header =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<gpx version=\"1.1\" creator=\"VornConverter ";
    header += kVersionText;
    header +=
        "\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
        "xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
        "http://www.topografix.com/GPX/1/1/gpx.xsd "
        "http://www.garmin.com/xmlschemas/TrackPointExtension/v2 "
        "http://www.garmin.com/xmlschemas/TrackPointExtensionv2.xsd\">\r\n"
        "  <metadata><time>";
    xml::AppendUtcDateTime(header, conversion.nowUtc);
    header += "</time></metadata>";
    output.WriteLine(header);
    return true;
  }

  void WriteTrailer(OutputTextFile& output, Conversion& /*conversion*/) override {
    output.WriteLine("</gpx>");
  }

 private:
  // A waypoint or route point, indented by two or four blanks.
  void AppendPoint(std::string& out, std::string_view element, std::string_view indent,
                   const RoutePoints& points, const RtePnt& point, Conversion& conversion) {
    ConvertPointForOutput(points, point, conversion.frame, conversion.now, point_);
    out += indent;
    out += '<';
    out += element;
    out += ' ';
    AppendPosition(out, text::LeadingValue(point_.lat), text::LeadingValue(point_.lon));
    out += '>';
    const std::string_view inner = std::string_view("      ").substr(0, indent.size() + 2);
    AppendElement(out, inner, "name", points.Text(point, PointText::kName));
    AppendElement(out, inner, "cmt", points.Text(point, PointText::kInfo1));
    AppendElement(out, inner, "desc", points.Text(point, PointText::kInfo2));
    out += kLineBreak;
    out += indent;
    out += "</";
    out += element;
    out += '>';
  }

  void WriteWaypoint(Conversion& conversion, RecordText& output) override {
    const WptRec& waypoint = conversion.context.buffers.wpt;
    AppendPoint(output.text(), "wpt", "  ", waypoint.store, waypoint.Point(), conversion);
  }

  void WriteRoute(Conversion& conversion, RecordText& output) override {
    const RecordBuffers& buffers = conversion.context.buffers;
    const std::size_t n = PointCountToWrite(buffers.rteHdr.pntNum, buffers.rtePnt.Count());
    // As in the other outputs, a route without points writes nothing.
    if (n == 0) return;
    std::string& out = output.text();
    out += "  <rte>";
    AppendElement(out, "    ", "name", buffers.rteHdr.rteName);
    const std::string_view number = text::TrimSpaces(buffers.rteHdr.rteNo);
    // xsd:nonNegativeInteger: a number of another shape is left out.
    if (!number.empty() && number.find_first_not_of("0123456789") == std::string_view::npos) {
      AppendElement(out, "    ", "number", number);
    }
    for (std::size_t i = 1; i <= n; ++i) {
      if (conversion.PointTick()) return;
      out += kLineBreak;
      AppendPoint(out, "rtept", "    ", buffers.rtePnt, buffers.rtePnt[i], conversion);
      output.FlushIfLarge();
    }
    out += kLineBreak;
    out += "  </rte>";
  }

  // What formatting a track point changes: one set per thread.
  struct PointScratch {
    ConvertedPoint point;
    xml::RecentUtcDateTime times;
    std::string annotations;
  };

  // A track point, put together in one buffer. It runs on either thread: it
  // changes only `scratch`, `converter` and `out`.
  static void PutTrackPoint(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                            TrackPointConverter& converter, const ChosenAnnotations& chosen,
                            bool annotated, PointScratch& scratch) {
    ConvertedPoint& converted = scratch.point;
    double lat = 0;
    double lon = 0;
    converter.OutputDegrees(point, converted, lat, lon);
    converter.ConvertTime(point, converted);
    out.Append("      <trkpt lat=\"");
    PutDecimal(out, lat, kDegreeDecimals);
    out.Append("\" lon=\"");
    PutDecimal(out, NormalisedLongitude(lon), kDegreeDecimals);
    out.Append("\">");
    const std::optional<text::LocalSeconds> seconds = PointSeconds(points, point, converted);
    if (seconds && !text::IsTimeOfDay(*seconds)) {
      out.Append("<time>");
      if (char* const end = scratch.times.Put(out.Room(xml::kUtcDateTimeSize), *seconds)) {
        out.Commit(end);
      } else {
        xml::AppendUtcDateTime(out.String(), *seconds);
      }
      out.Append("</time>");
    }
    if (annotated) {
      scratch.annotations.clear();
      BufferedText joined(scratch.annotations);
      chosen.PutJoined(joined, points, point, converted);
      joined.Flush();
      out.Append("<desc>");
      xml::AppendEscaped(out.String(), scratch.annotations);
      out.Append("</desc>");
    }
    const bool speed = HasValue(points, point, PointField::kVelocity);
    const bool course = HasValue(points, point, PointField::kTrkDegree);
    if (speed || course) {
      out.Append("<extensions><gpxtpx:TrackPointExtension>");
      if (speed) {
        out.Append("<gpxtpx:speed>");
        PutDecimal(out, points.Value(point, PointField::kVelocity) / kKmhPerMetrePerSecond, 6);
        out.Append("</gpxtpx:speed>");
      }
      if (course) {
        double degrees = std::fmod(points.Value(point, PointField::kTrkDegree), 360.0);
        if (degrees < 0) degrees += 360;
        out.Append("<gpxtpx:course>");
        PutDecimal(out, degrees >= 360 ? 0 : degrees, 6);
        out.Append("</gpxtpx:course>");
      }
      out.Append("</gpxtpx:TrackPointExtension></extensions>");
    }
    out.Append("</trkpt>");
  }

  void WriteTrack(Conversion& conversion, RecordText& output) override {
    const RecordBuffers& buffers = conversion.context.buffers;
    const std::size_t n = PointCountToWrite(buffers.trkHdr.pntNum, buffers.trkPnt.Count());
    if (n == 0) return;
    std::string& out = output.text();
    out += "  <trk>";
    AppendElement(out, "    ", "name", buffers.trkHdr.trkName);
    out += kLineBreak;
    out += "    <trkseg>";
    const bool annotated = AnyPointAnnotationChosen(conversion.options);
    const ChosenAnnotations chosen(conversion.options);
    const TrackPoints& points = buffers.trkPnt;
    std::array<TrackPointConverter, 2> converters = {TrackPointConverter(points, conversion.frame),
                                                     TrackPointConverter(points, conversion.frame)};
    // Items are the points 1 to n less one.
    const auto format = [&](std::size_t lane, std::size_t begin, std::size_t end,
                            std::string& text) {
      BufferedText buffered(text);
      for (std::size_t item = begin; item < end; ++item) {
        buffered.Append(kLineBreak);
        PutTrackPoint(buffered, points, points[item + 1], converters[lane], chosen, annotated,
                      scratch_[lane]);
      }
      buffered.Flush();
    };
    const auto start = [&](std::size_t begin, std::size_t end) {
      for (std::size_t item = begin; item < end; ++item) {
        if (conversion.PointTick()) return false;
      }
      return true;
    };
    if (!FormatChunksInOrder(n, output, format, start)) return;
    out += kLineBreak;
    out += "    </trkseg>";
    out += kLineBreak;
    out += "  </trk>";
  }

  ConvertedPoint point_;
  // A track's points are formatted on up to two threads.
  std::array<PointScratch, 2> scratch_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeGpxWriter() { return std::make_unique<GpxWriter>(); }

}  // namespace vc::engine
