// Records as statements of a mapserver script. The script's frame:
//
//   mapserver script ver="1.0";
//   <the lines of header_mps_group.dat, unchanged>
//   <an empty line>
//   <one block of statements per record>
//   [TAB]disp[TAB]all;
//   mapserver end;
// Whatever the options say, a
// script is written in the Tokyo datum, in the "MPS" coordinate form and in
// UTC+9 (the output frame says so).
//
//   waypoint  point, group 2510   pos lat,lon
//                                 str [WP]name
//                                 info info1,info2,info3
//   route     line, group 2521    pos "> " lat1,lon1,lat2,lon2,...
//                                 str [RT]name   info route number
//             a point per route point, group 2522
//                                 str [RP] + the name's first three characters
//                                     + the point's number "000" (counted down
//                                     when the route order is not ascending)
//                                 info <i> with i "000", always counted up
//   track     line, group 2531    pos "> " through every point
//                                 str [TR]name,flag,code,[point count]
//                                 info [time(s)],[length(m)],[velocity(km/hr)]
//             a point for points 1, 1 + step, 1 + 2 step, ..., group 2532
//                                 str [date],[velocity(km/hr)],[course(deg[tr])],[heading(deg[hd])]
//                                 info [leg time(s)],[leg length(m)],[leg velocity(km/hr)]
//
// The bracketed parts are written when their annotation is ticked and are
// empty otherwise, so the commas are always there. A route or a track
// without points writes nothing: a line needs at least one position.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/output/buffered_text.hpp"
#include "engine/output/point_chunks.hpp"
#include "engine/output/point_conversion.hpp"
#include "engine/output/record_writer.hpp"
#include "engine/output/track_annotations.hpp"
#include "formats/mps/statement_writer.hpp"
#include "geo/coord_text.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kWaypointGroup = "2510";
constexpr std::string_view kRouteLineGroup = "2521";
constexpr std::string_view kRoutePointGroup = "2522";
constexpr std::string_view kTrackLineGroup = "2531";
constexpr std::string_view kTrackPointGroup = "2532";
constexpr std::string_view kAscending = "昇順";

// The line of a route or a track carries every point in its pos value, so it
// is written in pieces as the points are converted, never held whole. The
// statement is made once with a stand-in for pos; the text before and after
// the stand-in frames the positions, which gives the same bytes as making
// the statement from the whole position list.
class LineStatement {
 public:
  void Begin(RecordText& output, std::string_view group, std::string_view str,
             std::string_view info) {
    frame_.clear();
    mps::AppendMpsStatement(frame_, "line", mps::PointLineValues({}, group, kStandIn, str, info));
    // oid is empty and gid is a group number, so the first stand-in is pos.
    const std::size_t at = frame_.find(kStandIn);
    output.text().append(frame_, 0, at);
    output.text() += "> ";
    tailAt_ = at + kStandIn.size();
  }

  // The position list is ",lat,lon,lat,lon..." with its trailing blanks
  // removed and its first comma dropped; only the last longitude can end in
  // blanks that the trimming removes.
  static void Add(std::string& out, bool first, std::string_view lat, std::string_view lon,
                  bool last) {
    if (!first) out += ',';
    out += lat;
    out += ',';
    out += last ? text::TrimTrailingSpaces(lon) : lon;
  }

  // The same for a point whose angles are held packed: their texts have no
  // blanks to trim.
  static void Add(std::string& out, bool first, geo::MpsAngle lat, geo::MpsAngle lon) {
    std::array<char, 2 * geo::kMpsAngleRoom + 2> text;  // written before it is read
    char* p = text.data();
    if (!first) *p++ = ',';
    p = geo::PutMpsAngle(p, lat);
    *p++ = ',';
    p = geo::PutMpsAngle(p, lon);
    out.append(text.data(), static_cast<std::size_t>(p - text.data()));
  }

  void End(RecordText& output) { output.text().append(frame_, tailAt_); }

 private:
  static constexpr std::string_view kStandIn = "\x01";
  std::string frame_;
  std::size_t tailAt_ = 0;
};

// The statement of a track or route point, made once per record with stand-ins for
// pos, str and info: each point then only fills in its three values, which
// gives the bytes of the statement made from them (none is empty: the
// commas between the annotations are always written).
class PointStatement {
 public:
  void Begin(std::string_view group) {
    group_ = group;
    framed_ = true;
    frame_.clear();
    mps::AppendMpsStatement(
        frame_, "point", mps::PointLineValues({}, group, kStandIns[0], kStandIns[1], kStandIns[2]));
    std::size_t from = 0;
    for (std::size_t i = 0; i < cut_.size(); ++i) {
      cut_[i] = frame_.find(kStandIns[i], from);
      framed_ = framed_ && cut_[i] != std::string::npos;
      if (!framed_) return;
      from = cut_[i];
    }
  }

  // Whether the statement was framed, so that Piece gives its parts: the
  // text before pos, between pos and str, between str and info, after info.
  [[nodiscard]] bool Framed() const noexcept { return framed_; }
  [[nodiscard]] std::string_view Piece(std::size_t i) const noexcept {
    const std::string_view frame = frame_;
    const std::size_t from = i == 0 ? 0 : cut_[i - 1] + 1;
    return i < cut_.size() ? frame.substr(from, cut_[i] - from) : frame.substr(from);
  }

  void Append(std::string& out, std::string_view pos, std::string_view str,
              std::string_view info) const {
    if (!framed_) {
      mps::AppendMpsStatement(out, "point", mps::PointLineValues({}, group_, pos, str, info));
      return;
    }
    const std::string_view frame = frame_;
    const std::string_view values[] = {pos, str, info};
    std::size_t from = 0;
    for (std::size_t i = 0; i < cut_.size(); ++i) {
      out.append(frame.substr(from, cut_[i] - from));
      out.append(values[i]);
      from = cut_[i] + 1;
    }
    if (from < frame.size()) out.append(frame.substr(from));
  }

 private:
  static constexpr std::string_view kStandIns[] = {"\x01", "\x02", "\x03"};
  std::string_view group_;
  bool framed_ = false;
  std::string frame_;
  std::array<std::size_t, 3> cut_{};
};

void AppendPosition(std::string& pos, std::string_view lat, std::string_view lon) {
  pos.clear();
  pos += lat;
  pos += ',';
  pos += lon;
}

void AppendComputed(std::string& out, double value, text::NumberPattern pattern,
                    std::string_view unit) {
  text::AppendPattern(out, value, pattern);
  out += unit;
}

// A track point's angles as numbers; a latitude of kNoAngle (no packed
// angle has every bit set) says that the point is converted through its
// texts instead.
struct PointAngles {
  geo::MpsAngle lat;
  geo::MpsAngle lon;
};
constexpr std::uint32_t kNoAngle = UINT32_MAX;

class MpsWriter final : public KindWriter {
 public:
  bool WriteHeader(OutputTextFile& output, Conversion& conversion) override {
    InputTextFile groups;
    const std::string& groupFile = conversion.options.groupFilePath;
    if (groupFile.empty() || !groups.Open(groupFile)) {
      conversion.observer.Show(Message::kGroupFileMissing, groupFile, groups.ErrorText());
      return false;
    }
    output.WriteLine(R"(mapserver script ver="1.0";)");
    std::string line;
    while (groups.ReadLine(line)) output.WriteLine(line);
    if (groups.Failed()) {
      conversion.observer.Show(Message::kGroupFileMissing, groupFile, groups.ErrorText());
      return false;
    }
    output.WriteLine("");
    return true;
  }

  void WriteTrailer(OutputTextFile& output, Conversion& /*conversion*/) override {
    output.WriteLine("\tdisp\tall;");
    output.WriteLine("mapserver end;");
  }

 private:
  // What formatting a route or track point changes: one set per thread.
  struct PointScratch {
    ConvertedPoint point;
    std::string pos;
    std::string str;
    std::string info;
  };

  void AppendPointStatement(RecordText& output, std::string_view group) {
    mps::AppendMpsStatement(output.text(), "point",
                            mps::PointLineValues({}, group, pos_, str_, info_));
  }

  void WriteWaypoint(Conversion& conversion, RecordText& output) override {
    const WptRec& waypoint = conversion.context.buffers.wpt;
    const RoutePoints& store = waypoint.store;
    const RtePnt& point = waypoint.Point();
    ConvertPointForOutput(store, point, conversion.frame, conversion.now, point_);
    AppendPosition(pos_, point_.lat, point_.lon);
    str_.assign("[WP]");
    str_ += text::TrimSpaces(store.Text(point, PointText::kName));
    info_.assign(text::TrimSpaces(store.Text(point, PointText::kInfo1)));
    info_ += ',';
    info_ += text::TrimSpaces(store.Text(point, PointText::kInfo2));
    info_ += ',';
    info_ += text::TrimSpaces(store.Text(point, PointText::kInfo3));
    AppendPointStatement(output, kWaypointGroup);
  }

  void WriteRoute(Conversion& conversion, RecordText& output) override {
    const RecordBuffers& buffers = conversion.context.buffers;
    const std::size_t n = PointCountToWrite(buffers.rteHdr.pntNum, buffers.rtePnt.Count());
    if (n == 0) return;
    const std::string_view name = text::TrimSpaces(buffers.rteHdr.rteName);
    str_.assign("[RT]");
    str_ += name;
    info_.assign(text::TrimSpaces(buffers.rteHdr.rteNo));
    line_.Begin(output, kRouteLineGroup, str_, info_);
    const RoutePoints& points = buffers.rtePnt;
    // Items are the points 1 to n less one.
    const auto lineChunk = [&](std::size_t lane, std::size_t begin, std::size_t end,
                               std::string& out) {
      ConvertedPoint& converted = scratch_[lane].point;
      for (std::size_t item = begin; item < end; ++item) {
        ConvertPointForOutput(points, points[item + 1], conversion.frame, conversion.now,
                              converted);
        LineStatement::Add(out, item == 0, converted.lat, converted.lon, item + 1 == n);
      }
    };
    const auto tick = [&](std::size_t begin, std::size_t end) {
      for (std::size_t item = begin; item < end; ++item) {
        if (conversion.PointTick()) return false;
      }
      return true;
    };
    if (!FormatChunksInOrder(n, output, lineChunk, tick)) return;
    line_.End(output);

    label_.assign("[RP]");
    label_ += text::LeftChars(name, 3);
    const bool ascending = conversion.options.routeOrder == kAscending;
    // pos, str and info of a route point are never empty.
    pointStatement_.Begin(kRoutePointGroup);
    const auto pointChunk = [&](std::size_t lane, std::size_t begin, std::size_t end,
                                std::string& out) {
      PointScratch& scratch = scratch_[lane];
      for (std::size_t item = begin; item < end; ++item) {
        const std::size_t i = item + 1;
        ConvertPointForOutput(points, points[i], conversion.frame, conversion.now, scratch.point);
        AppendPosition(scratch.pos, scratch.point.lat, scratch.point.lon);
        scratch.str.assign(label_);
        const std::size_t number = ascending ? i : n - i + 1;
        text::AppendPattern(scratch.str, static_cast<double>(number), text::kPattern000);
        scratch.info.assign("<");
        text::AppendPattern(scratch.info, static_cast<double>(i), text::kPattern000);
        scratch.info += '>';
        out += kLineBreak;
        pointStatement_.Append(out, scratch.pos, scratch.str, scratch.info);
      }
    };
    FormatChunksInOrder(n, output, pointChunk, tick);
  }

  void TrackLineStr(const TrkHdr& header, const ConvertOptions& options) {
    str_.assign("[TR]");
    str_ += text::TrimSpaces(header.trkName);
    str_ += ',';
    str_ += text::TrimSpaces(header.trkFlag);
    str_ += ',';
    str_ += text::TrimSpaces(header.trkCode);
    str_ += ',';
    if (options.lineTotalPoints) str_ += text::TrimSpaces(header.pntNum);
  }

  void TrackLineInfo(const TrkHdr& header, const ConvertOptions& options) {
    info_.clear();
    if (options.lineTotalTime) AppendComputed(info_, header.totalTripTime, text::kPattern0, "(s)");
    info_ += ',';
    if (options.lineTotalLength) {
      AppendComputed(info_, header.totalTripLength, text::kPattern0_0, "(m)");
    }
    info_ += ',';
    if (options.lineTotalVelocity) {
      AppendComputed(info_, header.totalVelocity, text::kPattern0_00, "(km/hr)");
    }
  }

  void WriteTrack(Conversion& conversion, RecordText& output) override {
    const RecordBuffers& buffers = conversion.context.buffers;
    const ConvertOptions& options = conversion.options;
    const std::size_t n = PointCountToWrite(buffers.trkHdr.pntNum, buffers.trkPnt.Count());
    if (n == 0) return;
    Observer& observer = conversion.observer;
    observer.BeginProgress(ProgressStage::kWritingTrack);
    TrackLineStr(buffers.trkHdr, options);
    TrackLineInfo(buffers.trkHdr, options);
    const TrackPoints& points = buffers.trkPnt;
    std::array<TrackPointConverter, 2> converters = {TrackPointConverter(points, conversion.frame),
                                                     TrackPointConverter(points, conversion.frame)};
    const std::size_t step = PointStepOf(options.pointStep);
    // The points that get a statement of their own are converted again,
    // a datum shift included: holding their angles from the line would cost
    // eight bytes a point, and the second run is spread over two threads.
    const std::size_t statements = (n - 1) / step + 1;
    line_.Begin(output, kTrackLineGroup, str_, info_);
    // Items are the points 1 to n less one.
    const auto lineChunk = [&](std::size_t lane, std::size_t begin, std::size_t end,
                               std::string& out) {
      TrackPointConverter& converter = converters[lane];
      ConvertedPoint& converted = scratch_[lane].point;
      for (std::size_t item = begin; item < end; ++item) {
        const std::size_t i = item + 1;
        const TrkPnt& point = points[i];
        PointAngles angles;
        if (!LineAngles(converter, point, angles)) {
          ConvertPointForOutput(points, point, conversion.frame, converted);
          LineStatement::Add(out, i == 1, converted.lat, converted.lon, i == n);
        } else {
          LineStatement::Add(out, i == 1, angles.lat, angles.lon);
        }
      }
    };
    const auto lineStart = [&](std::size_t begin, std::size_t end) {
      for (std::size_t item = begin; item < end; ++item) {
        observer.PointProgress(static_cast<std::int64_t>(item + 1));
        if (conversion.PointTick()) return false;
      }
      return true;
    };
    if (!FormatChunksInOrder(n, output, lineChunk, lineStart)) return;
    line_.End(output);

    pointStatement_.Begin(kTrackPointGroup);
    const ChosenAnnotations chosen(options);
    // Items are the statements: point 1 + item * step.
    const auto pointChunk = [&](std::size_t lane, std::size_t begin, std::size_t end,
                                std::string& out) {
      TrackPointConverter& converter = converters[lane];
      for (std::size_t k = begin; k < end; ++k) {
        const TrkPnt& point = points[1 + k * step];
        PointAngles angles;
        LineAngles(converter, point, angles);
        WriteTrackPoint(points, conversion.frame, converter, chosen, point, angles, scratch_[lane],
                        out);
      }
    };
    const auto pointStart = [&](std::size_t begin, std::size_t end) {
      for (std::size_t k = begin; k < end; ++k) {
        observer.PointProgress(static_cast<std::int64_t>(1 + k * step));
        if (conversion.PointTick()) return false;
      }
      return true;
    };
    FormatChunksInOrder(statements, output, pointChunk, pointStart);
  }

  // The point's angles as numbers; false, with kNoAngle in them, when the
  // point is converted through its texts.
  static bool LineAngles(TrackPointConverter& converter, const TrkPnt& point, PointAngles& angles) {
    if (converter.MpsCoords(point, angles.lat, angles.lon)) return true;
    angles.lat.bits = kNoAngle;
    return false;
  }

  // A track point's statement, built in one buffer from the frame's pieces.
  // It runs on either thread: it changes only `scratch`, `converter` and
  // `text`.
  void WriteTrackPoint(const TrackPoints& points, const OutputFrame& frame,
                       TrackPointConverter& converter, const ChosenAnnotations& chosen,
                       const TrkPnt& point, const PointAngles& angles, PointScratch& scratch,
                       std::string& text) const {
    ConvertedPoint& converted = scratch.point;
    BufferedText out(text);
    out.Append(kLineBreak);
    if (angles.lat.bits == kNoAngle) {
      ConvertPointForOutput(points, point, frame, converted);
      AppendPosition(scratch.pos, converted.lat, converted.lon);
    } else {
      converter.ConvertTime(point, converted);
    }
    if (!pointStatement_.Framed()) {
      if (angles.lat.bits != kNoAngle) {
        scratch.pos.clear();
        BufferedText pos(scratch.pos);
        PutPosition(pos, angles);
        pos.Flush();
      }
      scratch.str.clear();
      BufferedText str(scratch.str);
      chosen.PutMpsStr(str, points, point, converted);
      str.Flush();
      scratch.info.clear();
      BufferedText info(scratch.info);
      chosen.PutMpsInfo(info, points, point, converted);
      info.Flush();
      pointStatement_.Append(out.String(), scratch.pos, scratch.str, scratch.info);
      return;
    }
    out.Append(pointStatement_.Piece(0));
    if (angles.lat.bits == kNoAngle) {
      out.Append(scratch.pos);
    } else {
      PutPosition(out, angles);
    }
    out.Append(pointStatement_.Piece(1));
    chosen.PutMpsStr(out, points, point, converted);
    out.Append(pointStatement_.Piece(2));
    chosen.PutMpsInfo(out, points, point, converted);
    out.Append(pointStatement_.Piece(3));
    out.Flush();
  }

  static void PutPosition(BufferedText& out, const PointAngles& angles) {
    char* p = out.Room(2 * geo::kMpsAngleRoom + 1);
    p = geo::PutMpsAngle(p, angles.lat);
    *p++ = ',';
    out.Commit(geo::PutMpsAngle(p, angles.lon));
  }

  ConvertedPoint point_;
  // The points of a route or a track are formatted on up to two threads.
  std::array<PointScratch, 2> scratch_;
  PointStatement pointStatement_;
  LineStatement line_;
  std::string pos_;
  std::string str_;
  std::string info_;
  std::string label_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeMpsWriter() { return std::make_unique<MpsWriter>(); }

}  // namespace vc::engine
