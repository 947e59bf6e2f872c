#include "formats/gpx/gpx_events.hpp"

#include <bit>
#include <cstring>

namespace vc::gpx {
namespace {

enum Kind : std::uint8_t {
  kWaypoint,
  kRouteBegin,
  kRoutePoint,
  kRouteEnd,
  kTrackBegin,
  kTrackPoint,
  kTrackEnd,
  kStatusRecord,
  kStatusNeedMore,
  kStatusEnd,
  kStatusError,
  kInputFailed,
  kTrackEndNamedBefore,
  kStatusSplit,
};

// Which values of a point follow, in this order.
enum ValueBit : std::uint8_t {
  kLatValue = 1,
  kLonValue = 2,
  kElevation = 4,
  kUtc = 8,
  kSpeed = 16,
  kCourse = 32,
};

// Which texts of a point follow, in this order.
enum TextBit : std::uint8_t {
  kLatText = 1,
  kLonText = 2,
  kNameText = 4,
  kCmtText = 8,
  kDescText = 16,
};

constexpr std::size_t kNumberSize = sizeof(std::uint64_t);
// The kind, the two bytes of bits and every value.
constexpr std::size_t kMostFixedPointSize = 3 + 6 * kNumberSize;

char* PutNumber(char* to, std::uint64_t bits) {
  std::memcpy(to, &bits, kNumberSize);
  return to + kNumberSize;
}

char* PutValue(char* to, const std::optional<double>& value, std::uint8_t bit, std::uint8_t& bits) {
  if (!value) return to;
  bits |= bit;
  return PutNumber(to, std::bit_cast<std::uint64_t>(*value));
}

}  // namespace

void GpxEventRecorder::Number(std::uint64_t bits) {
  char bytes[kNumberSize];
  PutNumber(bytes, bits);
  events_.append(bytes, kNumberSize);
}

void GpxEventRecorder::Text(std::string_view text) {
  Number(text.size());
  events_.append(text);
}

void GpxEventRecorder::Point(std::uint8_t kind, const GpxPoint& point) {
  // Room for the most a point's fixed part takes, cut back to what it took.
  const std::size_t start = events_.size();
  events_.resize(start + kMostFixedPointSize);
  char* const begin = events_.data() + start;
  std::uint8_t values = 0;
  char* to = begin + 3;
  to = PutValue(to, point.latValue, kLatValue, values);
  to = PutValue(to, point.lonValue, kLonValue, values);
  to = PutValue(to, point.elevation, kElevation, values);
  if (point.utc) {
    values |= kUtc;
    to = PutNumber(to, static_cast<std::uint64_t>(*point.utc));
  }
  to = PutValue(to, point.speedMps, kSpeed, values);
  to = PutValue(to, point.course, kCourse, values);
  std::uint8_t texts = 0;
  if (!point.lat.empty()) texts |= kLatText;
  if (!point.lon.empty()) texts |= kLonText;
  if (!point.name.empty()) texts |= kNameText;
  if (!point.cmt.empty()) texts |= kCmtText;
  if (!point.desc.empty()) texts |= kDescText;
  begin[0] = static_cast<char>(kind);
  begin[1] = static_cast<char>(values);
  begin[2] = static_cast<char>(texts);
  events_.resize(static_cast<std::size_t>(to - events_.data()));
  if (texts == 0) return;
  for (const std::string* text : {&point.lat, &point.lon, &point.name, &point.cmt, &point.desc}) {
    if (!text->empty()) Text(*text);
  }
}

void GpxEventRecorder::MarkStatus(GpxParser::Status status, const GpxParser& parser) {
  switch (status) {
    case GpxParser::Status::kRecord:
      events_.push_back(static_cast<char>(kStatusRecord));
      break;
    case GpxParser::Status::kNeedMore:
      events_.push_back(static_cast<char>(kStatusNeedMore));
      break;
    case GpxParser::Status::kEnd:
      events_.push_back(static_cast<char>(kStatusEnd));
      break;
    case GpxParser::Status::kError:
      events_.push_back(static_cast<char>(kStatusError));
      Number(static_cast<std::uint64_t>(parser.ErrorLine()));
      Number(static_cast<std::uint64_t>(parser.ErrorColumn()));
      break;
    case GpxParser::Status::kSplit:
      events_.push_back(static_cast<char>(kStatusSplit));
      Text(parser.SplitTrackName());
      break;
  }
}

void GpxEventRecorder::MarkInputFailed() { events_.push_back(static_cast<char>(kInputFailed)); }

void GpxEventRecorder::Waypoint(const GpxPoint& point) { Point(kWaypoint, point); }
void GpxEventRecorder::RouteBegin() { events_.push_back(static_cast<char>(kRouteBegin)); }
void GpxEventRecorder::RoutePoint(const GpxPoint& point) { Point(kRoutePoint, point); }
void GpxEventRecorder::RouteEnd(std::string_view name, std::string_view number) {
  events_.push_back(static_cast<char>(kRouteEnd));
  Text(name);
  Text(number);
}
void GpxEventRecorder::TrackBegin() { events_.push_back(static_cast<char>(kTrackBegin)); }
void GpxEventRecorder::TrackPoint(const GpxPoint& point) { Point(kTrackPoint, point); }
void GpxEventRecorder::TrackEnd(std::string_view name) {
  events_.push_back(static_cast<char>(kTrackEnd));
  Text(name);
}
void GpxEventRecorder::TrackEndNamedBefore() {
  events_.push_back(static_cast<char>(kTrackEndNamedBefore));
}

bool GpxEventReplay::Number(std::uint64_t& bits) {
  if (events_.size() - at_ < kNumberSize) return false;
  std::memcpy(&bits, events_.data() + at_, kNumberSize);
  at_ += kNumberSize;
  return true;
}

bool GpxEventReplay::Text(std::string_view& text) {
  std::uint64_t size = 0;
  if (!Number(size) || events_.size() - at_ < size) return false;
  text = events_.substr(at_, static_cast<std::size_t>(size));
  at_ += static_cast<std::size_t>(size);
  return true;
}

bool GpxEventReplay::Value(std::optional<double>& value, bool present) {
  if (!present) {
    value.reset();
    return true;
  }
  std::uint64_t bits = 0;
  if (!Number(bits)) return false;
  value = std::bit_cast<double>(bits);
  return true;
}

bool GpxEventReplay::Point(GpxPoint& point) {
  if (events_.size() - at_ < 2) return false;
  const auto values = static_cast<std::uint8_t>(events_[at_]);
  const auto texts = static_cast<std::uint8_t>(events_[at_ + 1]);
  at_ += 2;
  std::uint64_t utc = 0;
  if (!Value(point.latValue, (values & kLatValue) != 0) ||
      !Value(point.lonValue, (values & kLonValue) != 0) ||
      !Value(point.elevation, (values & kElevation) != 0) ||
      ((values & kUtc) != 0 && !Number(utc)) || !Value(point.speedMps, (values & kSpeed) != 0) ||
      !Value(point.course, (values & kCourse) != 0)) {
    return false;
  }
  if ((values & kUtc) != 0) {
    point.utc = static_cast<text::LocalSeconds>(utc);
  } else {
    point.utc.reset();
  }
  const struct {
    std::uint8_t bit;
    std::string* text;
  } fields[] = {{kLatText, &point.lat},
                {kLonText, &point.lon},
                {kNameText, &point.name},
                {kCmtText, &point.cmt},
                {kDescText, &point.desc}};
  for (const auto& field : fields) {
    std::string_view text;
    if ((texts & field.bit) != 0 && !Text(text)) return false;
    field.text->assign(text);
  }
  return true;
}

std::nullopt_t GpxEventReplay::CutShort() noexcept {
  at_ = events_.size();
  return std::nullopt;
}

std::optional<GpxMark> GpxEventReplay::ReplayToMark(GpxHandler& handler) {
  std::string_view name;
  std::string_view number;
  std::uint64_t line = 0;
  std::uint64_t column = 0;
  while (at_ < events_.size()) {
    switch (static_cast<std::uint8_t>(events_[at_++])) {
      case kWaypoint:
        if (!Point(point_)) return CutShort();
        handler.Waypoint(point_);
        break;
      case kRouteBegin:
        handler.RouteBegin();
        break;
      case kRoutePoint:
        if (!Point(point_)) return CutShort();
        handler.RoutePoint(point_);
        break;
      case kRouteEnd:
        if (!Text(name) || !Text(number)) return CutShort();
        handler.RouteEnd(name, number);
        break;
      case kTrackBegin:
        handler.TrackBegin();
        break;
      case kTrackPoint:
        if (!Point(point_)) return CutShort();
        handler.TrackPoint(point_);
        break;
      case kTrackEnd:
        if (!Text(name)) return CutShort();
        handler.TrackEnd(name);
        break;
      case kStatusRecord:
        return GpxMark{GpxParser::Status::kRecord};
      case kStatusNeedMore:
        return GpxMark{GpxParser::Status::kNeedMore};
      case kStatusEnd:
        return GpxMark{GpxParser::Status::kEnd};
      case kStatusError:
        if (!Number(line) || !Number(column)) return CutShort();
        return GpxMark{GpxParser::Status::kError, false, static_cast<std::int64_t>(line),
                       static_cast<std::int64_t>(column)};
      case kInputFailed:
        return GpxMark{GpxParser::Status::kError, true};
      case kTrackEndNamedBefore:
        handler.TrackEndNamedBefore();
        break;
      case kStatusSplit:
        if (!Text(splitTrackName_)) return CutShort();
        return GpxMark{GpxParser::Status::kSplit};
      default:
        // Not a stream this recorder made.
        return CutShort();
    }
  }
  return std::nullopt;
}

}  // namespace vc::gpx
