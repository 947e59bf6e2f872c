// Reading back the records of a ProAtlas mapserver script.
//
// Only the statements this program writes for its records are taken; every
// other statement (the header, the groups, messages, drawings, the route
// and track point labels) is passed over. A record statement is known by its
// kind and the prefix of its "str":
//
//   point  str="[WP]Summit"  pos="35/39/13.2,139/44/26.0"  info="a,b,c"
//   line   str="[RT]Kyoto"   pos="> 35/39/13.2,139/44/26.0,..."  info="7"
//   line   str="[TR]..."     pos="> 35/39/13.2,139/44/26.0,..."  info="name,flag,code"
//
// A waypoint keeps its coordinate texts as written. The points of routes
// and tracks are read into decimal degrees and written back in the "MPS"
// form, so they come out in the program's own layout (35/1/2 becomes
// 35/01/02.0). A track's name, flag and code are the three items of its
// "info"; the program's own scripts put the name into "str" and the line's
// annotations into "info", so a track read back from them is named after its
// annotations. A script carries no times, so all points of a track lie at
// midnight of the day of the conversion.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/input/mps_pos_list.hpp"
#include "engine/input/record_reader.hpp"
#include "engine/input/track_legs.hpp"
#include "formats/mps/statement_reader.hpp"
#include "text/datetime.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kWaypointPrefix = "[WP]";
constexpr std::string_view kRoutePrefix = "[RT]";
constexpr std::string_view kTrackPrefix = "[TR]";
constexpr std::size_t kPrefixLength = 4;

constexpr std::size_t kDefaultLargeStatement = std::size_t{1} << 20;
std::atomic<std::size_t> largeStatementSetting{0};  // 0: the default

std::size_t LargeStatementBytes() noexcept {
  const std::size_t bytes = largeStatementSetting.load(std::memory_order_relaxed);
  return bytes == 0 ? kDefaultLargeStatement : bytes;
}

// The attributes of a point or line statement that make a record, views
// into the statement's text; found as ParseMpsStatement finds them.
struct RecordStatement {
  std::string_view text;
  std::string_view Value(std::string_view name) const { return mps::GetAttributeValue(text, name); }
};

// The name after the four-character prefix of a "str" value.
std::string_view NameAfterPrefix(std::string_view str) {
  return text::TrimSpaces(str.size() > kPrefixLength ? str.substr(kPrefixLength) : "");
}

// Gives the storage of `text` back. Assigning an empty string would not:
// libstdc++ copies a short string into the storage it already has.
void FreeText(std::string& text) noexcept { std::string().swap(text); }

text::LocalSeconds MidnightOf(text::LocalSeconds now) {
  text::CivilDateTime civil = text::ToCivil(now);
  civil.hour = 0;
  civil.minute = 0;
  civil.second = 0;
  return text::ToLocalSeconds(civil);
}

// The input's lines with the front's stop request polled among them: a
// single statement left open can run over millions of lines.
class StoppableLines final : public text::LineSource {
 public:
  explicit StoppableLines(text::LineSource& lines) : lines_(lines) {}
  void Watch(Conversion& conversion) { conversion_ = &conversion; }

  [[nodiscard]] bool AtEnd() const override {
    return (conversion_ != nullptr && conversion_->cancelled) || lines_.AtEnd();
  }
  bool ReadLine(std::string& line) override {
    if (conversion_ != nullptr && conversion_->PointTick()) {
      line.clear();
      return false;
    }
    return lines_.ReadLine(line);
  }
  bool AppendLine(std::string& text) override {
    if (conversion_ != nullptr && conversion_->PointTick()) return false;
    return lines_.AppendLine(text);
  }

 private:
  text::LineSource& lines_;
  Conversion* conversion_ = nullptr;
};

class MpsReader final : public RecordReader {
 public:
  explicit MpsReader(text::LineSource& lines)
      : lines_(lines), largeStatement_(LargeStatementBytes()) {}

  RecordKind ReadNextRecord(Conversion& conversion) override {
    lines_.Watch(conversion);
    while (!lines_.AtEnd()) {
      ReadStatement();
      const RecordKind kind = ReadRecordStatement(conversion);
      if (kind != RecordKind::kEof) {
        ReleaseLargeStatement();
        return kind;
      }
    }
    return RecordKind::kEof;
  }

 private:
  // The storage of a large statement is given back once its record is
  // read; until then it is kept at the statement's own size.
  void ReadStatement() {
    mps::ReadStatementText(lines_, statementText_);
    if (statementText_.capacity() > largeStatement_ &&
        statementText_.capacity() > 2 * statementText_.size()) {
      statementText_.shrink_to_fit();
    }
  }
  void ReleaseLargeStatement() {
    if (statementText_.capacity() > largeStatement_) FreeText(statementText_);
  }

  // The points of a line's position list `pos`, a view into the statement.
  // A large statement's list is packed and the statement's text given back
  // before the first point is made: a million points would otherwise hold
  // some 23 bytes of text each beside their own. Whatever the record needs
  // of the text must have been taken out of it before this call.
  template <typename OnPoint>
  double ReadPosList(std::string_view pos, OnPoint& onPoint) {
    if (statementText_.size() < largeStatement_) return ParsePosList(pos, onPoint);
    PackedPosList packed(pos);
    FreeText(statementText_);
    return ParsePackedPosList(packed, onPoint);
  }

  // The record the statement read holds; kEof for any other statement.
  RecordKind ReadRecordStatement(Conversion& conversion) {
    // Only the kinds "point" and "line", as written, carry records; the
    // prefix of "str" is compared as written too.
    const RecordStatement statement{statementText_};
    if (mps::HasKindWord(statementText_, "point")) {
      if (statement.Value("str").starts_with(kWaypointPrefix)) {
        return ReadWaypoint(statement, conversion);
      }
    } else if (mps::HasKindWord(statementText_, "line")) {
      const std::string_view str = statement.Value("str");
      if (str.starts_with(kRoutePrefix)) return ReadRoute(statement, conversion);
      if (str.starts_with(kTrackPrefix)) return ReadTrack(statement, conversion);
    }
    return RecordKind::kEof;
  }

  RecordKind ReadWaypoint(const RecordStatement& statement, Conversion& conversion) {
    WptRec& waypoint = conversion.context.buffers.wpt;
    RoutePoints& store = waypoint.store;
    RtePnt& point = waypoint.Begin();
    // The coordinates keep their texts as written.
    ParsePosFirst(statement.Value("pos"), lat_, lon_);
    store.SetCoord(point, PointField::kLat, lat_);
    store.SetCoord(point, PointField::kLon, lon_);
    std::vector<std::string_view> items;
    SplitList(statement.Value("info"), ',', items);
    store.SetText(point, PointText::kInfo1, text::TrimSpaces(ListItem(items, 1)));
    store.SetText(point, PointText::kInfo2, text::TrimSpaces(ListItem(items, 2)));
    store.SetText(point, PointText::kInfo3, text::TrimSpaces(ListItem(items, 3)));
    store.SetText(point, PointText::kName, NameAfterPrefix(statement.Value("str")));
    store.SetLabels(point, "TOKYO", "+9", "MPS");
    return RecordKind::kWpt;
  }

  RecordKind ReadRoute(const RecordStatement& statement, Conversion& conversion) {
    RecordBuffers& buffers = conversion.context.buffers;
    RteHdr& header = buffers.rteHdr;
    // A route without a number follows on from the route before it in this
    // file; the first one is 1.
    const std::string_view info = statement.Value("info");
    const double number = text::TrimSpaces(info).empty() ? text::LeadingValue(lastRteNo_) + 1
                                                         : text::LeadingValue(info);
    header.rteNo = text::General(number);
    lastRteNo_ = header.rteNo;
    header.rteName = NameAfterPrefix(statement.Value("str"));

    RoutePoints& points = buffers.rtePnt;
    points.Clear();
    auto addPoint = [&](double lat, double lon) {
      RtePnt& point = points.Add();
      name_.assign(header.rteName);
      text::AppendPattern(name_, static_cast<double>(points.Count()), text::kPattern000);
      points.SetText(point, PointText::kName, name_);
      // Each coordinate is what its decimal degrees give in the "MPS" form.
      RoutePoints::SetCoordFromDegrees(point, PointField::kLat, lat);
      RoutePoints::SetCoordFromDegrees(point, PointField::kLon, lon);
      points.SetLabels(point, "Tokyo", "+9", "MPS");
      return !conversion.PointTick();
    };
    header.pntNum = text::General(ReadPosList(statement.Value("pos"), addPoint));
    if (conversion.cancelled) return RecordKind::kRte;
    // Half a pair counts as a point when the count rounds up to it; that
    // point has no coordinates of its own.
    const std::int64_t count = text::CountOf(header.pntNum);
    while (static_cast<std::int64_t>(points.Count()) < count) addPoint(0, 0);
    return RecordKind::kRte;
  }

  RecordKind ReadTrack(const RecordStatement& statement, Conversion& conversion) {
    RecordBuffers& buffers = conversion.context.buffers;
    TrkHdr& header = buffers.trkHdr;
    conversion.context.NextTrackNumber();
    std::vector<std::string_view> items;
    SplitList(statement.Value("info"), ',', items);
    const std::string_view flag = ListItem(items, 2);
    header.trkFlag = flag.empty() ? std::string_view("True") : flag;
    header.trkCode = ListItem(items, 3);
    header.trkName = ListItem(items, 1);

    const text::LocalSeconds midnight = MidnightOf(conversion.now);
    TrackLegs legs;
    legs.Start(header);
    TrackPoints& points = buffers.trkPnt;
    points.Clear();
    conversion.observer.BeginProgress(ProgressStage::kReadingTrack);
    auto addPoint = [&](double lat, double lon) {
      TrkPnt& point = points.Add();
      conversion.observer.PointProgress(static_cast<std::int64_t>(points.Count()));
      if (points.Count() == 1) {
        points.SetLabels(point, "Tokyo", "+9", "MPS");
        TrackPoints::SetTime(point, midnight);
        for (const PointField field : {PointField::kVelocity, PointField::kTrkDegree,
                                       PointField::kPosError, PointField::kHeadDegree}) {
          points.SetText(point, field, "-");
        }
      } else {
        // The labels, the midnight and the "-" texts (one stored text) are
        // the first point's; what differs is set below.
        point = points[1];
      }
      // Each coordinate is what its decimal degrees give in the "MPS" form.
      TrackPoints::SetCoordFromDegrees(point, PointField::kLat, lat);
      TrackPoints::SetCoordFromDegrees(point, PointField::kLon, lon);
      // The legs are worked out, but the totals are left at zero: a script
      // holds no times, so they would only add up the lengths.
      legs.Add(points, point, header, false);
      return !conversion.PointTick();
    };
    header.pntNum = text::General(ReadPosList(statement.Value("pos"), addPoint));
    if (conversion.cancelled) return RecordKind::kTrk;
    const std::int64_t count = text::CountOf(header.pntNum);
    while (static_cast<std::int64_t>(points.Count()) < count) addPoint(0, 0);
    return RecordKind::kTrk;
  }

  StoppableLines lines_;
  const std::size_t largeStatement_;
  std::string statementText_;
  // The number of the last route read, the base of the next automatic one.
  std::string lastRteNo_;
  std::string name_;
  std::string lat_;
  std::string lon_;
};

}  // namespace

std::unique_ptr<RecordReader> MakeMpsReader(text::LineSource& lines) {
  return std::make_unique<MpsReader>(lines);
}

void SetMpsLargeStatementBytes(std::size_t bytes) noexcept {
  largeStatementSetting.store(bytes, std::memory_order_relaxed);
}

}  // namespace vc::engine
